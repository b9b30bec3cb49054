// SPDX-License-Identifier: MIT
// Handlers of "Testar Impressora", the summer-time buttons and "Leitura X".
#include "form1.h"

// Each body runs inside runHandler, which stops it cleanly on a platform error.

void Form1::Command1_Click() {
    runHandler("Command1_Click", [] {
        // Not built yet: the printer test comes with the next issue.
    });
}

void Form1::Command2_Click() {
    runHandler("Command2_Click", [] {
        // Not built yet: entering summer time comes with the next issue.
    });
}

void Form1::Command3_Click() {
    runHandler("Command3_Click", [] {
        // Not built yet: leaving summer time comes with the next issue.
    });
}

void Form1::Command4_Click() {
    runHandler("Command4_Click", [] {
        // Not built yet: the X reading comes with the next issue.
    });
}
