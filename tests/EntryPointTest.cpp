#include "PluginFactory.h"
#include <gtest/gtest.h>
TEST(Placeholder, Builds) { EXPECT_EQ(nullptr, createPluginEffect(nullptr)); }
