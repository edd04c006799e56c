#pragma once

#include "VstAbi.h"

// Builds the plug-in for a host: checks the host's version, creates the
// instrument with its front-panel editor and answers its AEffect record, or
// null.
AEffect* createPluginEffect(audioMasterCallback audioMaster);
