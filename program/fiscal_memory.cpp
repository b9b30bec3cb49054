// SPDX-License-Identifier: MIT
// Handlers of the fiscal memory frame; ReplyData and SaveReading will live here too.
#include "form1.h"

// Each body runs inside runHandler, which stops it cleanly on a platform error.
// Not built yet: every body below, ReplyData and SaveReading come with the fiscal memory issue.

void Form1::Porredu_Click() {
    runHandler("Porredu_Click", [] {});
}

void Form1::Pordata_Click() {
    runHandler("Pordata_Click", [] {});
}

void Form1::Ini_GotFocus() {
    runHandler("Ini_GotFocus", [] {});
}

void Form1::Ini_Validate() {
    runHandler("Ini_Validate", [] {});
}

void Form1::Fim_GotFocus() {
    runHandler("Fim_GotFocus", [] {});
}

void Form1::Fim_Validate() {
    runHandler("Fim_Validate", [] {});
}

void Form1::LMF_Click() {
    runHandler("LMF_Click", [] {});
}
