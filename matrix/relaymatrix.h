/* relaymatrix: the relay matrix for test sequences (C, C++, Python through
 * ctypes, LabVIEW, TestStand). One session at a time per process holds the
 * card, keeps the station's wiring rules and writes its record, which relaylog
 * judges like any other.
 *
 * Every function is cdecl, takes plain C types and caller-owned buffers, and
 * returns a status (RELAYMATRIX_OK or one of the codes below); the status and
 * text of each thread's last call are kept for that thread's
 * relaymatrix_last_error / relaymatrix_error_text, so threads never read each
 * other's errors. Nothing is printed on standard output or standard error.
 * Calls from several threads are serialized.
 *
 * A session is a handle from relaymatrix_session_open. It belongs to the
 * process that opened it: a forked child gets RELAYMATRIX_NO_SESSION from it
 * and touches nothing, and the card lock is not inherited. A session still
 * open when the process exits is stopped (see relaymatrix_session_stop).
 *
 * Relays are named as relayctl takes them: numbers 0-1023, ranges such as
 * 100-107, crosspoints board:row:column (0:4:12 is relay 100) and, with a
 * wiring file, ROW@COLUMN station names (I+@J4.1); several at once separated
 * by commas or blanks ("I+@J4.1,V-@J4.2", "5 0:4:12"), as relayctl's words.
 */
#ifndef RELAYMATRIX_H
#define RELAYMATRIX_H

#if defined(_WIN32)
#if defined(RELAYMATRIX_BUILDING)
#define RELAYMATRIX_API __declspec(dllexport)
#else
#define RELAYMATRIX_API __declspec(dllimport)
#endif
#define RELAYMATRIX_CALL __cdecl
#else
#define RELAYMATRIX_API __attribute__((visibility("default")))
#define RELAYMATRIX_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Statuses: one table of outcomes gives these and the programs' exit statuses
 * (the status a program ends with for the same outcome is in brackets). */
#define RELAYMATRIX_OK 0
#define RELAYMATRIX_BAD_ARGUMENT 1  /* a bad argument, relay name or wiring file: nothing switched [2] */
#define RELAYMATRIX_REFUSED 2       /* refused by a rule (wiring or the per-board limit): nothing switched [6] */
#define RELAYMATRIX_CARD_HELD 3     /* another program held the card past the wait [3] */
#define RELAYMATRIX_NO_CARD 4       /* the driver found no card, or the card lock cannot be used [1] */
#define RELAYMATRIX_NOT_AS_ASKED 5  /* a relay did not follow, or a board reads back all ones [1] */
#define RELAYMATRIX_BUSY 6          /* the SPI controller stayed busy: boards pushed open, session ended [4] */
#define RELAYMATRIX_RECORD 7        /* the record could not be written: boards pushed open, session ended [5] */
#define RELAYMATRIX_NO_SESSION 8    /* no session is open */
#define RELAYMATRIX_SESSION_OPEN 9  /* a session is open already in this process */

/* A session: opened by relaymatrix_session_open, freed by its end or stop. */
typedef struct relaymatrix_session relaymatrix_session;

/* relaymatrix_session_open's flags. */
#define RELAYMATRIX_NO_WIRING 1u    /* no wiring file, even when RELAYTEST_WIRING names one */

/* wait_seconds for relaymatrix_session_open: as long as it takes. */
#define RELAYMATRIX_WAIT_FOREVER (-1)

/* Opens the session: takes the card (waiting up to wait_seconds while another
 * program holds it; 0 not at all), reads the wiring file (NULL or "": the one
 * RELAYTEST_WIRING names, if any, unless flags holds RELAYMATRIX_NO_WIRING),
 * starts the record (NULL or "": none) and checks for the card. max_closed:
 * the most relays of one board closed (1-127; 0 for relayctl's 32); a wiring
 * file may lower it. *session gets the handle (NULL when the status is not
 * RELAYMATRIX_OK). */
RELAYMATRIX_API int RELAYMATRIX_CALL relaymatrix_session_open(const char* wiring, const char* record,
                                                              int wait_seconds, int max_closed, unsigned flags,
                                                              relaymatrix_session** session);

/* The relay ledger the sessions opened after it count into (docs/ledger.md):
 * a file's path; "" for none; NULL (the start) for the one RELAYTEST_LEDGER
 * names, if any. A ledger that cannot be used fails relaymatrix_session_open
 * before the card is taken. */
RELAYMATRIX_API int RELAYMATRIX_CALL relaymatrix_use_ledger(const char* ledger);

/* Ends the session: with open_all nonzero every board is opened first (as
 * relaymatrix_open_all); then the record's closing line, and the card is let
 * go. Relays left closed stay closed. The handle is freed. */
RELAYMATRIX_API int RELAYMATRIX_CALL relaymatrix_session_end(relaymatrix_session* session, int open_all);

/* Ends the session as a stop does, for a caller whose step failed or was
 * interrupted: every board the session pushed is pushed all open and read
 * back, the record ends "Session stopped: interrupted by WHY; boards ...", and
 * the card is let go. why names what ended it ("SIGTERM", "an exception
 * (ValueError)"); NULL or "": "the caller". The handle is freed. */
RELAYMATRIX_API int RELAYMATRIX_CALL relaymatrix_session_stop(relaymatrix_session* session, const char* why);

/* Closes or opens the relays named (see above). The whole request is checked
 * before any relay is switched: the boards it touches and those the wiring
 * lists are read back, then the wiring's rules and the per-board limit refuse
 * it whole or it is switched, read back and checked. "all" opens every relay. */
RELAYMATRIX_API int RELAYMATRIX_CALL relaymatrix_close(relaymatrix_session* session, const char* relays);
RELAYMATRIX_API int RELAYMATRIX_CALL relaymatrix_open(relaymatrix_session* session, const char* relays);
RELAYMATRIX_API int RELAYMATRIX_CALL relaymatrix_open_all(relaymatrix_session* session);

/* The relays closed, read back from the card: of one board (0-7), or of the
 * whole matrix (board -1). Their numbers, ascending, go into relays (up to
 * capacity of them; 1024 always suffices); *count gets how many are closed. */
RELAYMATRIX_API int RELAYMATRIX_CALL relaymatrix_closed(relaymatrix_session* session, int board, int* relays,
                                                        int capacity, int* count);

/* Whether one relay (named as above) reads back closed: *closed 1 or 0. */
RELAYMATRIX_API int RELAYMATRIX_CALL relaymatrix_is_closed(relaymatrix_session* session, const char* relay,
                                                           int* closed);

/* The number of one relay named as above, through the session's wiring (or,
 * with session NULL, RELAYTEST_WIRING's). Touches no card. */
RELAYMATRIX_API int RELAYMATRIX_CALL relaymatrix_relay_number(relaymatrix_session* session, const char* relay,
                                                              int* number);

/* Routes between two ends of the station's wiring (an instrument, a pin),
 * through its buses where no single crosspoint joins them (docs/routes.md).
 * They need a session with a wiring file (else RELAYMATRIX_BAD_ARGUMENT,
 * nothing switched). What is connected is never remembered: every call reads
 * the boards back, so a route made by relayctl is seen here and one made here
 * is seen by relayctl. The path, its rules and
 * the switching are the station's, as relayctl's: a refusal (a bus held by
 * another route, a rule of the wiring) is RELAYMATRIX_REFUSED with nothing
 * switched, naming the route that holds the bus; a relay that does not follow
 * is RELAYMATRIX_NOT_AS_ASKED naming it, with what the call closed opened
 * again. Each call waits the route's settle time before it returns.
 *
 * A route is given as one line of text, its fields separated by one blank:
 *
 *     NAME FROM TO RELAYS\n        dmm_vcc DMM_HI VCC 0:0:0
 *                                  - DMM_HI P20 0:0:14,1:0:5
 *
 * NAME is the wiring's route with these ends ("-" when it names none), FROM
 * and TO the ends' names, RELAYS the path's crosspoints board:row:column from
 * FROM, separated by commas. Lines go into text (size bytes): whole lines
 * only, as many as fit, ended with a zero byte when size > 0; *length (length
 * may be NULL) gets the whole answer's length, so an answer cut short shows
 * as *length >= size. text may be NULL with size 0.
 *
 * Ends are named as relayctl takes them: two nets (from, to), or a route's
 * name alone (to NULL or ""). */

/* Closes the shortest free path between the ends (the wiring's pinned path
 * for a route it names) and gives its line; ends already joined are left as
 * they are, and their route given. */
RELAYMATRIX_API int RELAYMATRIX_CALL relaymatrix_connect(relaymatrix_session* session, const char* from,
                                                         const char* to, char* route, int size, int* length);

/* Opens the relays of the route between the ends that no other connection
 * needs. Ends not joined: RELAYMATRIX_OK, nothing switched. */
RELAYMATRIX_API int RELAYMATRIX_CALL relaymatrix_disconnect(relaymatrix_session* session, const char* from,
                                                            const char* to);

/* Every route the boards connect now, a line each. Relays that join three
 * ends or more are no route and are not listed (relaymatrix_closed shows
 * them). */
RELAYMATRIX_API int RELAYMATRIX_CALL relaymatrix_routes(relaymatrix_session* session, char* routes, int size,
                                                        int* length);

/* The route connect would close (or the one that joins the ends now),
 * switching nothing; refused as connect would be. */
RELAYMATRIX_API int RELAYMATRIX_CALL relaymatrix_find_route(relaymatrix_session* session, const char* from,
                                                            const char* to, char* route, int size, int* length);

/* relaymatrix_switch_to's orders. */
#define RELAYMATRIX_BREAK_BEFORE_MAKE 0  /* every opening pushed and read back before the first closing */
#define RELAYMATRIX_MAKE_BEFORE_BREAK 1  /* closings first: refused unless the union keeps every rule */

/* Makes the routes named the only ones connected: names are the wiring's
 * groups and routes, and FROM/TO pairs of ends ("measure_vcc, SCOPE/P20"),
 * separated by commas or blanks. Routes wanted and connected already keep
 * their relays untouched; every other closed relay is opened. All or nothing:
 * when a relay does not follow, what the call closed is opened again. */
RELAYMATRIX_API int RELAYMATRIX_CALL relaymatrix_switch_to(relaymatrix_session* session, const char* names,
                                                           int order);

/* This thread's last call: its error text ("" after success) into text (size
 * bytes, always ended with a zero byte when size > 0); returns its status. */
RELAYMATRIX_API int RELAYMATRIX_CALL relaymatrix_last_error(char* text, int size);

/* The same text, valid until this thread's next relaymatrix call. */
RELAYMATRIX_API const char* RELAYMATRIX_CALL relaymatrix_error_text(void);

/* "1.0.0". */
RELAYMATRIX_API const char* RELAYMATRIX_CALL relaymatrix_version(void);

#ifdef __cplusplus
}
#endif

#endif
