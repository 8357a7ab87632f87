// The programs' handler of fatal signals (segmentation fault, bus error): a
// boxed banner on standard error, then exit with the signal's number.
#ifndef SUPPORT_FATALSIGNAL_H
#define SUPPORT_FATALSIGNAL_H

// Builds the banner around the program's contact line (one line saying
// where to report the fault) and installs SignalExit for both signals.
void InstallSignalExit(char const* contactLine);
void SignalExit(int signal);

#endif
