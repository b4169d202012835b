#include "Replay.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>

namespace {

class Cursor {
public:
    Cursor(const std::string& text, std::size_t at) : text_(text), at_(at) {}

    bool Literal(const char* s)
    {
        const std::string lit(s);
        if (text_.compare(at_, lit.size(), lit) != 0)
            return false;
        at_ += lit.size();
        return true;
    }

    // A number in the given base, after any blanks that pad it.
    bool Number(int base, std::uint32_t& out)
    {
        while (at_ < text_.size() && text_[at_] == ' ')
            ++at_;
        const char* start = text_.c_str() + at_;
        char* end = nullptr;
        const unsigned long value = std::strtoul(start, &end, base);
        if (end == start)
            return false;
        at_ += static_cast<std::size_t>(end - start);
        out = static_cast<std::uint32_t>(value);
        return true;
    }

    std::size_t At() const { return at_; }

private:
    const std::string& text_;
    std::size_t at_;
};

// Tries the line pieces relaytest prints, in an order where no earlier one is
// a prefix of a later one.
bool ParseOne(const std::string& record, std::size_t& at, PrintOp& op)
{
    auto attempt = [&](auto&& match) {
        Cursor c(record, at);
        if (!match(c))
            return false;
        at = c.At();
        return true;
    };
    std::uint32_t x = 0;
    std::uint32_t y = 0;
    if (attempt([](Cursor& c) { return c.Literal("Success\n"); })) {
        op = {PrintOp::CardFound};
    } else if (attempt([](Cursor& c) { return c.Literal("ERROR: TEVRIS didn't find what it expected\n"); })) {
        op = {PrintOp::CardMissing};
    } else if (attempt([&](Cursor& c) { return c.Literal("FPGA Rev: ") && c.Number(16, x) && c.Literal("\n"); })) {
        op = {PrintOp::Revision, x};
    } else if (attempt([&](Cursor& c) {
                   y = c.Literal("Turning on relay ") ? 1 : 0;
                   return (y == 1 || c.Literal("Turning off relay ")) && c.Number(10, x) && c.Literal("\n");
               })) {
        op = {PrintOp::Switch, x, y};
    } else if (attempt([&](Cursor& c) {
                   return c.Literal("  [[[ SPI Busy Check ") && c.Number(16, x) && c.Literal(" ?? ") &&
                          c.Number(16, y) && c.Literal(" ]]]  ");
               })) {
        op = {PrintOp::Busy, x, y};
    } else if (attempt([&](Cursor& c) {
                   return c.Number(16, x) && c.Literal(" ?? ") && c.Number(16, y) && c.Literal("\n");
               })) {
        op = {PrintOp::Read, x, y};
    } else if (attempt([&](Cursor& c) {
                   return c.Number(16, x) && c.Literal(" << ") && c.Number(16, y) && c.Literal("\n");
               })) {
        op = {PrintOp::Write, x, y};
    } else if (attempt([&](Cursor& c) {
                   return c.Literal("\r\nBoard #") && c.Number(10, x) && c.Literal("\r\n");
               })) {
        op = {PrintOp::Heading, x};
    } else if (attempt([&](Cursor& c) { return c.Literal("[") && c.Number(16, x) && c.Literal("] = "); })) {
        op = {PrintOp::WordValue, x};
    } else if (attempt([&](Cursor& c) {
                   return c.Literal("Relays ") && c.Number(10, x) && c.Literal(" to ") && c.Number(10, y) &&
                          c.Literal(" = ");
               })) {
        op = {PrintOp::Range, x, y};
    } else if (attempt([&](Cursor& c) {
                   x = 'X';
                   return c.Literal("X") || (x = '.', c.Literal("."));
               })) {
        op = {PrintOp::Relay, x};
    } else if (attempt([](Cursor& c) { return c.Literal("--------\r\n"); })) {
        op = {PrintOp::Rule};
    } else if (attempt([](Cursor& c) { return c.Literal("\r\n"); })) {
        op = {PrintOp::LineEnd};
    } else if (attempt([](Cursor& c) { return c.Literal("\nPress enter to exit\n"); })) {
        op = {PrintOp::Prompt};
    } else {
        return false;
    }
    return true;
}

}  // namespace

bool ParseRecord(const std::string& record, std::vector<PrintOp>& ops, std::size_t& badAt)
{
    ops.clear();
    std::size_t at = 0;
    while (at < record.size()) {
        PrintOp op{PrintOp::Rule};
        if (!ParseOne(record, at, op)) {
            badAt = at;
            return false;
        }
        if (!ops.empty() && ops.back().kind == op.kind && ops.back().a == op.a && ops.back().b == op.b)
            ++ops.back().repeat;
        else
            ops.push_back(op);
    }
    return true;
}

std::string SaveOps(const std::vector<PrintOp>& ops)
{
    std::string text;
    for (const PrintOp& op : ops) {
        text += std::to_string(static_cast<int>(op.kind)) + " " + std::to_string(op.a) + " " + std::to_string(op.b) +
                " " + std::to_string(op.repeat) + "\n";
    }
    return text;
}

bool LoadOps(const std::string& text, std::vector<PrintOp>& ops)
{
    ops.clear();
    std::istringstream in(text);
    int kind = 0;
    PrintOp op{PrintOp::Rule};
    while (in >> kind >> op.a >> op.b >> op.repeat) {
        if (kind < PrintOp::CardFound || kind > PrintOp::Prompt)
            return false;
        op.kind = static_cast<PrintOp::Kind>(kind);
        ops.push_back(op);
    }
    return in.eof();
}

namespace {

void Print(const PrintOp& op)
{
    switch (op.kind) {
    case PrintOp::CardFound: std::cout << "Success\n"; break;
    case PrintOp::CardMissing: std::cout << "ERROR: TEVRIS didn't find what it expected\n"; break;
    case PrintOp::Revision: std::printf("FPGA Rev: %08X\n", op.a); break;
    case PrintOp::Switch: std::printf("Turning %s relay %4d\n", op.b ? "on" : "off", static_cast<int>(op.a)); break;
    case PrintOp::Busy: std::printf("  [[[ SPI Busy Check %02X ?? %08X ]]]  ", op.a, op.b); break;
    case PrintOp::Read: std::printf("%02X ?? %08X\n", op.a, op.b); break;
    case PrintOp::Write: std::printf("%02X << %08X\n", op.a, op.b); break;
    case PrintOp::Heading: std::printf("\r\nBoard #%d\r\n", static_cast<int>(op.a)); break;
    case PrintOp::WordValue: std::printf("[%08X] = ", op.a); break;
    case PrintOp::Range: std::printf("Relays %2d to %3d = ", static_cast<int>(op.a), static_cast<int>(op.b)); break;
    case PrintOp::Relay: std::printf("%c", static_cast<int>(op.a)); break;
    case PrintOp::LineEnd: std::printf("\r\n"); break;
    case PrintOp::Rule: std::printf("--------\r\n"); break;
    case PrintOp::Prompt: std::printf("\nPress enter to exit\n"); break;
    }
}

}  // namespace

void Replay(const std::vector<PrintOp>& ops)
{
    for (const PrintOp& op : ops) {
        for (std::uint32_t i = 0; i < op.repeat; ++i)
            Print(op);
    }
}
