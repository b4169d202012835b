#include "RunProgram.h"

#include <utility>

#include "Paths.h"

ProgramInput Typed(std::string text) { return {ChildInput::Text, std::move(text)}; }

std::string ProgramPath(const std::string& name)
{
    if (name == "relaytest")
        return RelaytestPath();
    if (name == "relaysweep")
        return RelaysweepPath();
    if (name == "relayctl")
        return RelayctlPath();
    if (name == "relaylog")
        return RelaylogPath();
    return {};
}

ChildResult RunProgram(const std::string& name, std::vector<std::string> args, const std::string& relaysim,
                       ProgramInput input)
{
    const std::string path = ProgramPath(name);
    if (path.empty()) {
        ChildResult unknown;
        unknown.err = "RunProgram: no program named \"" + name + "\"\n";
        return unknown;
    }
    args.insert(args.begin(), path);
    ChildSpec run(std::move(args), {"RELAYSIM=" + relaysim}, input.kind, std::move(input.text));
    run.captureStderr = true;
    return RunChild(run);
}
