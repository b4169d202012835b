// relaylog: reads a saved relaytest record and says what went wrong, where.
//
//   relaylog FILE      relaylog -      (the record on standard input)
//
// Exit status 0 on PASS, 1 on FAIL, 2 when the input cannot be read or is not
// a relaytest record.
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>

#include "RecordCheck.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: relaylog FILE   (or - for standard input)\n";
        return 2;
    }
    std::ios::sync_with_stdio(false);
    const std::string name = argv[1];
    if (name == "-")
        return CheckRecord(std::cin, std::cout);

    std::ifstream file(name, std::ios::binary);
    if (!file) {
        std::cerr << "relaylog: cannot open " << name << ": " << std::strerror(errno) << "\n";
        return 2;
    }
    return CheckRecord(file, std::cout);
}
