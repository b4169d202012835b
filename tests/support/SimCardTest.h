// GoogleTest fixtures for tests of the system's code on the simulated card:
// every test starts from the power-on card and the start state of the relay
// tables, with the card's call log recording.
#ifndef RELAYTEST_TESTS_SUPPORT_SIMCARDTEST_H
#define RELAYTEST_TESTS_SUPPORT_SIMCARDTEST_H

#include <gtest/gtest.h>

#include "Capture.h"
#include "SimReset.h"
#include "Transcript.h"

class SimCardTest : public ::testing::Test {
protected:
    void SetUp() override { ResetSimCard(); }
};

template <class Param>
class SimCardTestWithParam : public SimCardTest, public ::testing::WithParamInterface<Param> {};

#endif
