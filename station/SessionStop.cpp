#include "SessionStop.h"

#include "Record.h"

StopDone RecordStop(const char* closing, const std::string& cause, const std::string& where, BoardSet pushed,
                    bool opened, BoardSet notOpen)
{
    StopDone done;
    done.notOpen = opened ? notOpen : OpenBoards(pushed);
    char boards[128];
    SpellOpenedBoards(pushed, done.notOpen, boards, sizeof boards);
    done.boards = boards;
    RecordLine("%s stopped: %s%s%s%s\n", closing, cause.c_str(), where.empty() ? "" : " ", where.c_str(), boards);
    return done;
}
