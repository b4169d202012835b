#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "Capture.h"
#include "RelayMatrix.h"
#include "SimCardTest.h"
#include "TraceOutput.h"

namespace {

using TraceStream = SimCardTest;

// The library's record: the very lines the programs print, in its own file,
// none on standard output; and nowhere at all when it keeps none.
TEST_F(TraceStream, GoesWhereItIsSetAndNowhereWhenNone)
{
    const auto work = [] {
        SetRelay(5, true);
        ReadBoard(0);
        SetRelay(5, false);
    };
    const std::string onStdout = CaptureStdout(work);
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    const std::string elsewhere = CaptureStdout([&] {
        SetTraceStream(file);
        work();
        SetTraceStream(nullptr);
        work();
        SetTraceStream(stdout);
    });
    std::string inFile(onStdout.size() + 64, '\0');
    std::rewind(file);
    inFile.resize(std::fread(&inFile[0], 1, inFile.size(), file));
    (void)std::fclose(file);
    EXPECT_EQ(elsewhere, "");
    EXPECT_EQ(inFile, onStdout);
    EXPECT_FALSE(TraceWriteFailed());
    EXPECT_EQ(CaptureStdout(work), onStdout);
}

}  // namespace
