// SPDX-License-Identifier: MIT
#pragma once

// Tells the ASIO driver to reset: one byte '1' on its pipe, on a fresh
// connection. Failures are logged and otherwise ignored.
void sendAsioReset();
