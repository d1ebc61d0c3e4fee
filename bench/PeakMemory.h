#pragma once

// The process's peak resident memory so far (VmHWM), in KiB, or -1 when the system does not say.
long PeakKiB();
// The same in MB.
inline double PeakMB() { return double(PeakKiB()) / 1024.0; }
