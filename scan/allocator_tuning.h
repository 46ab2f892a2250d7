#pragma once

// A scan makes and frees a great many small texts between the larger blocks of message
// bodies. With glibc's fast bins on, every larger allocation first merges all the small
// blocks freed since the last one, which cost the scan a fifth of its time; the per-thread
// cache serves small blocks as quickly without that. The programs call this once, first
// thing in main(), for the whole process; elsewhere it does nothing.
void TuneAllocatorForScanning();
