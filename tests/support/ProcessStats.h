// SPDX-License-Identifier: MIT
#pragma once

#include <QtGlobal>

// What this process holds, from /proc (Linux only): for checks that repeated
// work does not leak memory or descriptors.
namespace processstats {

// VmRSS in KiB, or -1 when it cannot be read.
qint64 residentKiB();

// Open file descriptors, or -1 when they cannot be listed.
int openDescriptors();

} // namespace processstats
