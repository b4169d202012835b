/* A test step through relaymatrix's C functions, as a LabVIEW or TestStand
 * sequence makes it: open a session, close two crosspoints, check them, open
 * them, end. It is also the C interface's test: it exits 1, naming the step,
 * when any answer is not the one expected.
 *
 *   relaymatrix_example [RECORD]      the record to write (none without)
 */
#include <stdio.h>
#include <string.h>

#include "relaymatrix.h"

static int failures = 0;

/* One call's status against the one expected, with the library's text. */
static void expect(const char* step, int status, int expected)
{
    char text[512];
    relaymatrix_last_error(text, (int)sizeof text);
    if (status == expected) {
        printf("%-40s status %d %s\n", step, status, text);
        return;
    }
    printf("FAILED %s: status %d, expected %d: %s\n", step, status, expected, text);
    ++failures;
}

static void expect_closed(relaymatrix_session* m, const char* step, const int* wanted, int count)
{
    int relays[1024];
    int closed = -1;
    expect(step, relaymatrix_closed(m, -1, relays, 1024, &closed), RELAYMATRIX_OK);
    if (closed != count || memcmp(relays, wanted, sizeof(int) * (size_t)count) != 0) {
        printf("FAILED %s: %d relays closed, expected %d\n", step, closed, count);
        ++failures;
    }
}

int main(int argc, char** argv)
{
    const char* record = argc > 1 ? argv[1] : NULL;
    const int both[] = {5, 100};
    const int one[] = {100};
    int closed = -1;
    int number = -1;
    relaymatrix_session* m = NULL;
    relaymatrix_session* second = NULL;

    expect("close before any session", relaymatrix_close(NULL, "5"), RELAYMATRIX_NO_SESSION);
    expect("open the session", relaymatrix_session_open(NULL, record, 10, 0, RELAYMATRIX_NO_WIRING, &m),
           RELAYMATRIX_OK);
    expect("a second session", relaymatrix_session_open(NULL, NULL, 0, 0, RELAYMATRIX_NO_WIRING, &second),
           RELAYMATRIX_SESSION_OPEN);
    expect("close 0:4:12,5", relaymatrix_close(m, "0:4:12,5"), RELAYMATRIX_OK);
    expect_closed(m, "closed after the close", both, 2);
    expect("is 100 closed", relaymatrix_is_closed(m, "100", &closed), RELAYMATRIX_OK);
    if (closed != 1) {
        printf("FAILED relay 100 reads back %d\n", closed);
        ++failures;
    }
    expect("the number of 0:4:12", relaymatrix_relay_number(m, "0:4:12", &number), RELAYMATRIX_OK);
    if (number != 100) {
        printf("FAILED 0:4:12 is relay %d\n", number);
        ++failures;
    }
    expect("close a bad name", relaymatrix_close(m, "0:9:1"), RELAYMATRIX_BAD_ARGUMENT);
    expect("close 40 relays of board 1", relaymatrix_close(m, "200-239"), RELAYMATRIX_REFUSED);
    expect("open 5", relaymatrix_open(m, "5"), RELAYMATRIX_OK);
    expect_closed(m, "closed after opening 5", one, 1);
    expect("open all", relaymatrix_open_all(m), RELAYMATRIX_OK);
    expect_closed(m, "closed after open all", one, 0);
    expect("end the session", relaymatrix_session_end(m, 1), RELAYMATRIX_OK);
    expect("end it again", relaymatrix_session_end(m, 0), RELAYMATRIX_NO_SESSION);
    expect("a session stopped", relaymatrix_session_open(NULL, NULL, 10, 0, RELAYMATRIX_NO_WIRING, &m),
           RELAYMATRIX_OK);
    expect("close 7", relaymatrix_close(m, "7"), RELAYMATRIX_OK);
    expect("stop it", relaymatrix_session_stop(m, "a failed step"), RELAYMATRIX_OK);
    expect("stop it again", relaymatrix_session_stop(m, NULL), RELAYMATRIX_NO_SESSION);
    printf("relaymatrix %s example: %s\n", relaymatrix_version(), failures == 0 ? "ok" : "FAILED");
    return failures == 0 ? 0 : 1;
}
