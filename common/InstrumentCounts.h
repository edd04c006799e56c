#pragma once

// How many parameters and programs the instrument has: the one count that
// every table, chunk layout and front takes. Apart from PanelCodes.h, so that
// a front's contract can count its ports without the panel's key names
// (which clash with the window system's in the X11 tests).
constexpr int kNumParams = 15;
constexpr int kNumPrograms = 6;
