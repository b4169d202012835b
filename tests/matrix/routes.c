/* relaymatrix's routes through its C functions on bench-7's station
 * (docs/examples/bench-7.toml), its card simulated with relay 208 (1:0:10,
 * ABUS1@P25) stuck open. Each step: its status, words of its answer (or of
 * its error), the relays closed after it, and the pushes it added to the
 * record ("Turning off" and "Turning on" lines; -1: not counted). A switch
 * must push every opening before its first closing (a failed connect opens
 * again what it closed).
 *
 *   matrix_routes WIRING RECORD */
#include <stdio.h>
#include <string.h>

#include "relaymatrix.h"

enum call { CONNECT, DISCONNECT, FIND, ROUTES, SWITCH, SWITCH_ORDER_7, OPEN_ALL, REOPEN };

static const struct step {
    enum call call;
    int status;
    const char *a, *b;
    const char *words, *closed;
    int offs, ons;
} steps[] = {
    {CONNECT, RELAYMATRIX_OK, "DMM_HI", "P21", "- DMM_HI P21 0:0:14,1:0:6\n", "112,176", 0, 2},
    {REOPEN, RELAYMATRIX_OK, 0, 0, "", "112,176", 0, 0},
    {ROUTES, RELAYMATRIX_OK, 0, 0, "- DMM_HI P21 0:0:14,1:0:6\n", "112,176", 0, 0},
    {CONNECT, RELAYMATRIX_REFUSED, "scope_p20", 0, "ABUS1 is held by the route DMM_HI to P21", "112,176", 0, 0},
    {CONNECT, RELAYMATRIX_OK, "dmm_gnd", 0, "dmm_gnd DMM_LO GND 0:1:1\n", "9,112,176", 0, 1},
    {SWITCH, RELAYMATRIX_OK, "measure_vcc", 0, "", "0,9", 2, 1},
    {SWITCH, RELAYMATRIX_OK, "dmm_gnd scope_p20", 0, "", "9,116,168", 1, 2},
    {SWITCH_ORDER_7, RELAYMATRIX_BAD_ARGUMENT, "measure_vcc", 0, "order 7", "9,116,168", 0, 0},
    {DISCONNECT, RELAYMATRIX_OK, "SCOPE", "P20", "", "9", 2, 0},
    {OPEN_ALL, RELAYMATRIX_OK, 0, 0, "", "", -1, -1},
    {FIND, RELAYMATRIX_OK, "SRC_HI", "P25", "- P25 SRC_HI 1:0:10,0:2:14\n", "", 0, 0},
    {CONNECT, RELAYMATRIX_NOT_AS_ASKED, "SRC_HI", "P25", "relay 208 (board 1, row 0", "", -1, -1},
};

static const char *wiring, *record;
static relaymatrix_session* m;

static int run(const struct step* s, char* answer)
{
    answer[0] = '\0';
    switch (s->call) {
    case CONNECT: return relaymatrix_connect(m, s->a, s->b, answer, 512, NULL);
    case DISCONNECT: return relaymatrix_disconnect(m, s->a, s->b);
    case FIND: return relaymatrix_find_route(m, s->a, s->b, answer, 512, NULL);
    case ROUTES: return relaymatrix_routes(m, answer, 512, NULL);
    case SWITCH: return relaymatrix_switch_to(m, s->a, RELAYMATRIX_BREAK_BEFORE_MAKE);
    case SWITCH_ORDER_7: return relaymatrix_switch_to(m, s->a, 7);
    case OPEN_ALL: return relaymatrix_open_all(m);
    case REOPEN: relaymatrix_session_end(m, 0); return relaymatrix_session_open(wiring, record, 10, 0, 0, &m);
    }
    return -1;
}

/* The record's pushes from offset on: whether an opening followed a closing. */
static int pushes(long offset, int* offs, int* ons)
{
    char line[256];
    int reordered = 0;
    FILE* f = fopen(record, "r");
    *offs = *ons = 0;
    if (f == NULL || fseek(f, offset, SEEK_SET) != 0)
        return 1;
    while (fgets(line, sizeof line, f) != NULL) {
        reordered |= *ons > 0 && strncmp(line, "Turning off", 11) == 0;
        *offs += strncmp(line, "Turning off", 11) == 0;
        *ons += strncmp(line, "Turning on", 10) == 0;
    }
    (void)fclose(f);
    return reordered;
}

static long record_size(void)
{
    FILE* f = fopen(record, "r");
    long size = f != NULL && fseek(f, 0, SEEK_END) == 0 ? ftell(f) : 0;
    if (f != NULL)
        (void)fclose(f);
    return size;
}

int main(int argc, char** argv)
{
    int failures = 0;
    if (argc != 3)
        return 2;
    wiring = argv[1];
    record = argv[2];
    if (relaymatrix_session_open(wiring, record, 10, 0, 0, &m) != RELAYMATRIX_OK || relaymatrix_open_all(m) != 0)
        return printf("FAILED to open the session: %s\n", relaymatrix_error_text()), 1;
    for (size_t i = 0; i < sizeof steps / sizeof steps[0]; ++i) {
        const struct step* s = &steps[i];
        char answer[512], error[512], closed[4096] = "";
        int relays[1024], count = 0, offs = 0, ons = 0;
        const long before = s->call == REOPEN ? 0 : record_size();
        const int status = run(s, answer);
        relaymatrix_last_error(error, (int)sizeof error);
        const int reordered = pushes(before, &offs, &ons);
        relaymatrix_closed(m, -1, relays, 1024, &count);
        for (int r = 0; r < count; ++r)
            /* NOLINTNEXTLINE(clang-analyzer-security.insecureAPI.DeprecatedOrUnsafeBufferHandling): bounded by its size */
            (void)snprintf(closed + strlen(closed), sizeof closed - strlen(closed), "%s%d", r ? "," : "", relays[r]);
        if (status != s->status || !strstr(status ? error : answer, s->words) || strcmp(closed, s->closed) != 0 ||
            (s->offs >= 0 && (offs != s->offs || ons != s->ons)) || (reordered && s->call == SWITCH)) {
            printf("FAILED step %zu: status %d, closed %s, %d off %d on%s: %s%s\n", i + 1, status, closed, offs, ons,
                   reordered ? ", an opening after a closing" : "", answer, error);
            ++failures;
        }
    }
    relaymatrix_session_end(m, 1);
    printf("relaymatrix routes: %s\n", failures == 0 ? "ok" : "FAILED");
    return failures != 0;
}
