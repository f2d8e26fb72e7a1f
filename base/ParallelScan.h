#pragma once
// Runs the parts of a scan on a few worker threads that stay for the
// program's life: a frame's searches are too short to start threads for.
// Each part writes only its own result; the caller combines them in part
// order, so the outcome is the serial one whatever the timing.
#include <functional>

// Calls part(k) for k = 0..parts-1, on the calling thread and the workers,
// and returns when every part has finished. Parts must not call it again.
void RunParts(int parts, const std::function<void(int)>& part);

// How many parts are worth making: the workers plus the calling thread.
int ScanParallelism();
