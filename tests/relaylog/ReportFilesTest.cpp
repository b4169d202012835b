// relaylog's files: a report never takes the place of evidence, a run that
// cannot judge still leaves its reports saying why, and a record saved by
// Windows reads as the plain one.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "CaseName.h"
#include "Child.h"
#include "Paths.h"
#include "RelaylogSupport.h"
#include "Transcript.h"

namespace {

namespace fs = std::filesystem;

void Save(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// A folder of the test's own, holding the golden healthy record as x.log.
std::string Folder()
{
    std::string dir = Scratch("dir");
    fs::remove_all(dir);
    fs::create_directories(dir);
    Save(dir + "/x.log", Golden("healthy.txt"));
    return dir;
}

ChildResult Relaylog(const std::string& dir, const std::string& arguments)
{
    ChildSpec run{{"/bin/sh", "-c", "cd '" + dir + "' && '" + RelaylogPath() + "' " + arguments}};
    run.captureStderr = true;
    return RunChild(run);
}

std::map<std::string, std::string> Contents(const std::string& dir)
{
    std::map<std::string, std::string> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir))
        files[entry.path().filename().string()] = fs::is_symlink(entry) ? "link" : ReadFile(entry.path().string());
    return files;
}

struct Refusal {
    const char* name;
    const char* setup;      // shell commands run in the folder first
    const char* arguments;
};
void PrintTo(const Refusal& r, std::ostream* os) { *os << r.name; }
class OutputPaths : public ::testing::TestWithParam<Refusal> {};

TEST_P(OutputPaths, AreRefusedWithTheRecordUntouched)
{
    const std::string dir = Folder();
    ASSERT_EQ(Relaylog(dir, GetParam().setup).exitCode, 0);
    const auto before = Contents(dir);
    const ChildResult r = Relaylog(dir, GetParam().arguments);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    EXPECT_NE(r.err.find(": nothing was written\n"), std::string::npos) << r.err;
    EXPECT_EQ(Contents(dir), before);
    EXPECT_EQ(ReadFile(dir + "/x.log"), Golden("healthy.txt"));
}

INSTANTIATE_TEST_SUITE_P(
    Relaylog, OutputPaths,
    ::testing::Values(Refusal{"SwappedWithAnOlderReport", "--junit x.xml x.log >/dev/null", "--junit x.log x.xml"},
                      Refusal{"JUnitIsTheRecord", "--version", "--junit x.log x.log"},
                      Refusal{"PageIsTheRecord", "--version", "--html x.log x.log"},
                      Refusal{"LinkToTheRecord", "--version; ln -s x.log link.xml", "--junit link.xml x.log"},
                      Refusal{"RecordOnStandardInput", "--version", "--html x.log - <x.log"},
                      Refusal{"BaselineIsTheReport", "--version; cp x.log old.log", "--baseline old.log --html old.log x.log"},
                      Refusal{"BothReportsOneFile", "--version", "--junit r.xml --html ./r.xml x.log"},
                      Refusal{"NotAReport", "--version; echo notes >notes.txt", "--html notes.txt x.log"}),
    ByName{});

struct Unjudged {
    const char* name;
    const char* arguments;  // after --junit r.xml --html r.html
    std::string error;      // how the ERROR begins
};
void PrintTo(const Unjudged& u, std::ostream* os) { *os << u.name; }
class CannotJudge : public ::testing::TestWithParam<Unjudged> {};

TEST_P(CannotJudge, LeavesAnErrorInPlaceOfAnOlderPass)
{
    const std::string dir = Folder();
    Save(dir + "/cut.log", KeepLines(40)(Golden("healthy.txt")));
    Save(dir + "/binary.log", std::string("\x7F" "ELF\0\x01", 6));
    ASSERT_EQ(Relaylog(dir, "--junit r.xml --html r.html x.log").exitCode, 0);
    EXPECT_EQ(Relaylog(dir, "--junit r.xml --html r.html " + std::string(GetParam().arguments)).exitCode, 2);
    const std::string error = XPath(dir + "/r.xml", "string(//testcase[@name='protocol']/error/@message)");
    EXPECT_EQ(error.substr(0, GetParam().error.size()), GetParam().error);
    EXPECT_EQ(XPath(dir + "/r.xml", "string(/testsuite/@errors)"), "1");
    const std::string page = ReadFile(dir + "/r.html");
    EXPECT_NE(page.find("<p class=\"verdict fail error\">" + GetParam().error), std::string::npos) << page;
    EXPECT_EQ(page.find("class=\"board\""), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Relaylog, CannotJudge,
    ::testing::Values(Unjudged{"NoSuchRecord", "missing.log", "ERROR: cannot read missing.log: No such file or directory"},
                      Unjudged{"Folder", ".", "ERROR: cannot read .: Is a directory"},
                      Unjudged{"CutShort", "cut.log", "ERROR line 40: the record stops here"},
                      Unjudged{"Binary", "binary.log", "ERROR line 1: binary data"},
                      Unjudged{"NoBaseline", "--baseline old.log x.log", "ERROR: cannot read the baseline old.log"},
                      Unjudged{"RecordForgotten", "", "ERROR: usage: missing the record to judge"},
                      Unjudged{"UnknownOption", "--frob x.log", "ERROR: usage: unknown option"}),
    ByName{});

// What PowerShell's ">" and some editors save: the same record.
struct Saved {
    const char* name;
    std::string mark;
    bool wide;       // two bytes a character
    bool bigEndian;
    const char* encoding;
};
void PrintTo(const Saved& s, std::ostream* os) { *os << s.name; }
class WindowsSaved : public ::testing::TestWithParam<Saved> {};

TEST_P(WindowsSaved, IsJudgedAsThePlainRecord)
{
    const std::string dir = Folder();
    const std::string plain = SweepRecord("stuck-on=5", "0-1");
    std::string saved = GetParam().mark;
    for (const char c : plain)
        saved += GetParam().wide ? (GetParam().bigEndian ? std::string{'\0', c} : std::string{c, '\0'}) : std::string{c};
    Save(dir + "/plain.log", plain);
    Save(dir + "/saved.log", saved);
    const ChildResult expected = Relaylog(dir, "plain.log");
    const ChildResult r = Relaylog(dir, "--junit r.xml --html r.html saved.log");
    EXPECT_EQ(expected.exitCode, 1);
    EXPECT_EQ(r.exitCode, expected.exitCode);
    EXPECT_EQ(r.out, expected.out);
    EXPECT_EQ(XPath(dir + "/r.xml", "string(//property[@name='record encoding']/@value)"), GetParam().encoding);
    EXPECT_EQ(XPath(dir + "/r.xml", "string(//property[@name='program']/@value)"), "relaysweep");
    EXPECT_EQ(XPath(dir + "/r.xml", "string(//property[@name='record size']/@value)"),
              std::to_string(saved.size()) + " bytes");
    EXPECT_EQ(XPath(dir + "/r.xml", "string(//property[@name='FPGA revision']/@value)"), "0002A1F7");
    const std::string page = ReadFile(dir + "/r.html");
    EXPECT_NE(page.find("<tr><th>record</th><td>saved.log</td></tr>"), std::string::npos);
    EXPECT_NE(page.find(std::string("<tr><th>record encoding</th><td>") + GetParam().encoding), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Relaylog, WindowsSaved,
                         ::testing::Values(Saved{"Utf16LittleEndian", "\xFF\xFE", true, false, "UTF-16LE with a byte-order mark"},
                                           Saved{"Utf16BigEndian", "\xFE\xFF", true, true, "UTF-16BE with a byte-order mark"},
                                           Saved{"Utf8WithMark", "\xEF\xBB\xBF", false, false, "UTF-8 with a byte-order mark"}),
                         ByName{});

// What relaylog says when it cannot go on: the first line on standard error,
// and the last on standard output.
struct Said {
    const char* name;
    const char* arguments;
    std::string err;
    std::string lastOut;
};
void PrintTo(const Said& s, std::ostream* os) { *os << s.name; }
class ErrorLines : public ::testing::TestWithParam<Said> {};

TEST_P(ErrorLines, NameTheFileAndTheReason)
{
    const ChildResult r = Relaylog(Folder(), GetParam().arguments);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err.substr(0, r.err.find('\n')), GetParam().err) << r.err;
    EXPECT_EQ(LastLine(r.out), GetParam().lastOut);
}

INSTANTIATE_TEST_SUITE_P(
    Relaylog, ErrorLines,
    ::testing::Values(
        Said{"Folder", "/tmp", "relaylog: /tmp: Is a directory", ""},
        Said{"RecordForgotten", "--junit s1.log", "relaylog: missing the record to judge (a file, or - for standard input)", ""},
        Said{"GivenTwice", "--html a --html b x.log", "relaylog: --html given more than once", ""},
        Said{"EmptyValue", "--junit= x.log", "relaylog: --junit needs a value", ""},
        Said{"EchoedWhole", "x.log \"$(printf 'a\\tb\\\\')\"", "relaylog: unexpected argument \"a\\x09b\\\\\"", ""},
        Said{"ReportIsTheLedger", "--junit l.db --ledger l.db x.log",
             "relaylog: --junit \"l.db\" is the station's relay ledger: nothing was written", ""},
        Said{"ReportNotWritten", "--junit x.log/r.xml x.log", "relaylog: cannot write --junit \"x.log/r.xml\": Not a directory",
             "ERROR: the report could not be written: --junit \"x.log/r.xml\": Not a directory"}),
    ByName{});

}  // namespace
