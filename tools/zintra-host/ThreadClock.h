#pragma once

// Seconds of processor time the calling thread has used, for timing the
// plug-in's processing without the time other processes take the processor.
double threadProcessorSeconds();
