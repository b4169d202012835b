// The library's routes (relaymatrix.h): thin work over the station's core
// (Routes.h finds and plans, RouteSwitch.h switches and writes the record's
// Route lines). Nothing is remembered: every call reads the boards. Each
// function returns a relaymatrix status with its text in error, or -1 when
// the work saw MustStop (the caller stops the session, StopIfDue).
#ifndef RELAYTEST_MATRIX_MATRIXROUTES_H
#define RELAYTEST_MATRIX_MATRIXROUTES_H

#include <string>
#include <utility>
#include <vector>

using RouteEnds = std::pair<int, int>;

// RELAYMATRIX_BAD_ARGUMENT, saying so, when the session has no wiring file.
int NeedWiring(std::string& error);

// The ends a caller named: a route's name (second null or ""), or two nets.
int ReadEndsNamed(const char* first, const char* second, RouteEnds& ends, std::string& error);

// relaymatrix_switch_to's list: groups, routes and FROM/TO pairs, separated
// by commas or blanks.
int ReadWantedRoutes(const char* names, std::vector<RouteEnds>& wanted, std::string& error);

// connect (switching) or find_route (not): line gets the route's line,
// "NAME FROM TO b:r:c,b:r:c" ("-" for no name).
int ConnectEnds(const RouteEnds& ends, bool switching, std::string& line, std::string& error);
int DisconnectEnds(const RouteEnds& ends, std::string& error);
// Every route the boards connect now, a line each.
int ConnectedLines(std::string& lines, std::string& error);
int SwitchToRoutes(const std::vector<RouteEnds>& wanted, bool makeFirst, std::string& error);

// The answer into the caller's buffer: whole lines while they fit, always
// ended with a zero byte when size > 0; *length (when given) the whole
// answer's length.
void GiveLines(const std::string& lines, char* text, int size, int* length);

#endif
