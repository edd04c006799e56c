#include "CCommandQueue.h"
#include <gtest/gtest.h>
TEST(Placeholder, Queue) { CCommandQueue q; EXPECT_TRUE(q.isEmpty()); }
