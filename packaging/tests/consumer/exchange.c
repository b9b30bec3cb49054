/* SPDX-License-Identifier: MIT */
/* A program of another project using the installed link library: one status exchange on port 1,
 * whose reply the library leaves in ./RespApf.txt. Exit 0 when the printer accepted it. */
#include <Zarvo.h>

#include <stdio.h>
#include <string.h>

int main(void) {
    /* The command as a counted text: its length in the 4 bytes before it, a NUL after it. */
    static char counted[4 + 3 + 1] = {3, 0, 0, 0, '.', '2', '8', '\0'};
    const int32_t opened = Abre(1);
    if (opened < 0) {
        fprintf(stderr, "exchange: port 1 did not open (%d)\n", (int)opened);
        return 1;
    }
    const int32_t sent = TXRX(1, 10, counted + 4);
    Fecha(1);
    if (sent != ZARVO_WRITTEN) {
        fprintf(stderr, "exchange: TXRX gave %d\n", (int)sent);
        return 1;
    }
    char reply[512] = "";
    FILE *file = fopen("RespApf.txt", "rb");
    if (file == NULL || fgets(reply, sizeof reply, file) == NULL) {
        fprintf(stderr, "exchange: RespApf.txt cannot be read\n");
        return 1;
    }
    fclose(file);
    printf("%s", reply);
    return strlen(reply) > 2 && reply[1] == '+' ? 0 : 1;
}
