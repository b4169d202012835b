// The floor of printing a record to a Windows console: the bytes of a file
// written to standard output in text mode through one 64 KiB buffer, in pieces
// much smaller than the buffer, so that the console gets them 64 KiB at a time.
// Built only for Windows; scripts/bench-wine-console.sh times it against
// relaytest.exe printing the same record.
//
//   consolefloor RECORD
#include <algorithm>
#include <cstdio>
#include <string>

namespace {
char OutputBuffer[64 * 1024];
}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        (void)std::fprintf(stderr, "usage: consolefloor RECORD\n");
        return 2;
    }
    // The record is read whole first: the timed writes then come from memory.
    std::FILE* in = std::fopen(argv[1], "rb");
    if (in == nullptr) {
        (void)std::fprintf(stderr, "consolefloor: cannot open %s\n", argv[1]);
        return 1;
    }
    std::string record;
    char piece[4096];
    std::size_t n = 0;
    while ((n = std::fread(piece, 1, sizeof piece, in)) > 0)
        record.append(piece, n);
    (void)std::fclose(in);

    (void)std::setvbuf(stdout, OutputBuffer, _IOFBF, sizeof OutputBuffer);
    for (std::size_t at = 0; at < record.size(); at += sizeof piece)
        (void)std::fwrite(record.data() + at, 1, std::min(sizeof piece, record.size() - at), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
