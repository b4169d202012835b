#include "SimReset.h"

#include <memory>

#include "Capture.h"
#include "OwnCardLock.h"
#include "RelayMatrix.h"
#include "Relaytest.h"
#include "StopCause.h"

void ResetSimCard()
{
    UseOwnCardLock();
    SimReset();
    SimRecordCalls(true);
    ClearRelayTables();
    ForgetStopCause();
}

const std::string& RunInProcess(int* exitCode)
{
    UseOwnCardLock();
    return CaptureStdout([&] {
        const int code = RunRelaytest();
        if (exitCode != nullptr)
            *exitCode = code;
    });
}

void ScriptControlReads(std::vector<std::uint32_t> values)
{
    auto next = std::make_shared<std::size_t>(0);
    SimSetReadOverride([values = std::move(values), next](std::uint32_t offset, std::uint32_t modelValue) {
        if (offset != 0x100)
            return modelValue;
        return *next < values.size() ? values[(*next)++] : 0u;
    });
}
