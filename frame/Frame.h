// The frame every switching program runs in. A program is its body and one
// ProgramEntry: the frame reads its command line and the station's wiring
// (StationWiring.h), asks for its confirmation,
// sets up the console, takes the card, watches for stop requests, prints its
// heading and the card's header, runs its body, and ends the record with the
// closing line, or with the stop line once it has pushed open every board the
// body touched and read each back.
//
//   heading                   "Relay sweep of boards 0-7"
//   card header               "Success", "FPGA Rev: 0002A1F7"
//   wiring line               "Wiring: bench-3.toml (checksum ...)", with a
//                             wiring file in use (StationWiring.h)
//   body                      the body's own lines
//   closing line              "Sweep complete", or
//   stop line                 "Sweep stopped: CAUSE WHERE; boards ..."
//
// Exit status: the body's when it ran to its end; 1 no card; 2 usage error or
// not confirmed; 3 the card held by another program past --wait; 4 the SPI
// controller stayed busy; 5 the record could not be written; a stop request
// ends the process as the request would have.
#ifndef RELAYTEST_FRAME_FRAME_H
#define RELAYTEST_FRAME_FRAME_H

#include <string>

#include "BoardSet.h"

namespace CLI {
class App;
}

// How the body ended.
struct WorkEnd {
    int status = 0;          // when it ran to its end
    bool stopped = false;    // it saw MustStop (StopCause.h): the rest is undone
    std::string where;       // for the stop line: "at relay 5 of board 0", "during close 5"
    BoardSet pushed = 0;     // the boards a stop pushes open and reads back
    bool opened = false;     // the body has done that already, with notOpen the result
    BoardSet notOpen = 0;
};

struct ProgramEntry {
    const char* name;      // "relaysweep": messages, the card lock, --version
    const char* synopsis;  // the usage line: "relaysweep [--boards LIST] [--yes] [--wait SECONDS]"
    const char* help;      // what --help prints after the usage line
    const char* closing;   // "Sweep": "Sweep complete", "Sweep stopped: ..."
    // The program's own options and arguments, bound to its own variables.
    void (*declare)(CLI::App& app);
    // Once parsed: 0 to go on, or a status with its message (2: a usage
    // error, shown with the usage line). Nothing touched yet.
    int (*check)(std::string& message);
    // Work that needs no card (relayctl's wiring check): -1 to go on, or the
    // program's exit status, ending it before the card is taken. May be null.
    int (*early)();
    // The operator's go-ahead, asked before anything is touched; may be null.
    bool (*confirm)();
    // The record's first line, without its line end.
    std::string (*heading)();
    WorkEnd (*body)();
};

// Runs the program: its exit status.
int RunFrame(const ProgramEntry& program, int argc, char** argv);

// The name of the program the frame runs ("relaysweep"), for messages.
const char* FrameProgramName();

// The line a program says once while another holds the card (TakeCard's
// notice), on standard error:
//   relayctl: the card is held by relaysweep (process 1234) since 2026-12-09 07:45:12; waiting up to 60 s for it
void SayCardWait(const char* holder, int waitSeconds);

#endif
