#include "Replay.h"

#include <cstdio>
#include <iostream>
#include <sstream>

#include "RecordReader.h"

// The benchmark reads records through relaylog's reader alone.
using namespace relaylog;

namespace {

void Add(std::vector<PrintOp>& ops, PrintOp op)
{
    if (!ops.empty() && ops.back().kind == op.kind && ops.back().a == op.a && ops.back().b == op.b)
        ops.back().repeat += op.repeat;
    else
        ops.push_back(op);
}

// The calls that printed one line. An empty line is printed by the call that
// prints the heading or prompt after it.
void AddLine(std::vector<PrintOp>& ops, const RecordLine& line)
{
    switch (line.kind) {
    case LineKind::CardFound: Add(ops, {PrintOp::CardFound}); break;
    case LineKind::CardMissing: Add(ops, {PrintOp::CardMissing}); break;
    case LineKind::Revision: Add(ops, {PrintOp::Revision, line.value}); break;
    case LineKind::Switch: Add(ops, {PrintOp::Switch, static_cast<std::uint32_t>(line.n), line.on ? 1u : 0u}); break;
    case LineKind::Access:
        if (line.polls.count > 1)
            Add(ops, {PrintOp::Busy, 0x100, line.polls.firstValue, static_cast<std::uint32_t>(line.polls.count - 1)});
        if (line.polls.count > 0)
            Add(ops, {PrintOp::Busy, 0x100, line.polls.lastValue});
        Add(ops, {line.write ? PrintOp::Write : PrintOp::Read, line.offset, line.value});
        break;
    case LineKind::ReportHeading: Add(ops, {PrintOp::Heading, static_cast<std::uint32_t>(line.n)}); break;
    case LineKind::ReportWord:
        Add(ops, {PrintOp::WordValue, line.value});
        Add(ops, {PrintOp::Range, static_cast<std::uint32_t>(line.n), static_cast<std::uint32_t>(line.last)});
        for (int bit = 0; bit < 32; ++bit)
            Add(ops, {PrintOp::Relay, static_cast<std::uint32_t>(((line.map >> bit) & 1u) != 0 ? 'X' : '.')});
        Add(ops, {PrintOp::LineEnd});
        break;
    case LineKind::ReportRule: Add(ops, {PrintOp::Rule}); break;
    case LineKind::ClosingPrompt: Add(ops, {PrintOp::Prompt}); break;
    default: break;
    }
}

}  // namespace

bool OpsFromRecord(const std::string& record, std::vector<PrintOp>& ops, std::string& error)
{
    ops.clear();
    std::istringstream in(record);
    RecordReader reader(in, ReaderMode::Strict);
    RecordLine line;
    ReadResult result;
    while ((result = reader.Next(line)) == ReadResult::Line) {
        if (line.kind == LineKind::RelayRangeError || line.kind == LineKind::BoardRangeError) {
            error = "line " + std::to_string(line.number) + ": no replay for an error line";
            return false;
        }
        AddLine(ops, line);
    }
    error = reader.Error();
    return result == ReadResult::End;
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
