#include "ReportFiles.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sys/stat.h>

#include "Reports.h"

namespace relaylog {

namespace {

// "-" is standard input only as the record.
FileId IdOf(const NamedFile& file)
{
    return file.option.empty() && file.path == "-" ? IdentityOfStandardInput() : IdentityOf(file.path);
}

// The same file, through links; two names of files not there yet are the
// same when they would be.
bool Same(const NamedFile& a, const NamedFile& b)
{
    const FileId x = IdOf(a);
    const FileId y = IdOf(b);
    if (x.exists || y.exists)
        return x.exists && y.exists && x.device == y.device && x.index == y.index;
    if ((a.option.empty() && a.path == "-") || (b.option.empty() && b.path == "-"))
        return false;
    std::error_code ignored;
    namespace fs = std::filesystem;
    return NameKey(fs::weakly_canonical(fs::absolute(a.path, ignored), ignored).string()) ==
           NameKey(fs::weakly_canonical(fs::absolute(b.path, ignored), ignored).string());
}

// A report relaylog wrote, known by the marker near its beginning (or, for
// reports of before the marker, by their beginning).
bool OneOfOurs(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    char start[1024];
    file.read(start, sizeof start);
    const std::string text(start, static_cast<std::size_t>(file.gcount()));
    return text.empty() || text.find(JUnitMarker) != std::string::npos ||
           text.find(HtmlMarker) != std::string::npos || text.find("<testsuite name=\"relaylog ") != std::string::npos ||
           text.find("<title>relaylog: ") != std::string::npos;
}

std::string Named(const NamedFile& file) { return file.option + " \"" + Echoed(file.path) + "\""; }

std::string Refusal(const NamedFile& output, const std::vector<NamedFile>& inputs,
                    const std::vector<NamedFile>& earlier)
{
    // Each file the run reads, by the option that names it.
    constexpr std::pair<const char*, const char*> Inputs[] = {{"", "the record to judge"},
                                                             {"--baseline", "the baseline record"},
                                                             {"--wiring", "the station's wiring"},
                                                             {"--ledger", "the station's relay ledger"}};
    for (const NamedFile& input : inputs) {
        for (const auto& [option, what] : Inputs) {
            if (input.option == option && Same(output, input))
                return Named(output) + " is " + what;
        }
    }
    for (const NamedFile& other : earlier) {
        if (Same(output, other))
            return Named(output) + " is the file " + other.option + " writes too";
    }
    struct stat about {};
    if (::stat(output.path.c_str(), &about) != 0)
        return {};
    if (S_ISREG(about.st_mode) && !OneOfOurs(output.path))
        return Named(output) + " is a file relaylog did not write (remove it, or name another file)";
    return {};
}

}  // namespace

std::string RefusedOutput(const std::vector<NamedFile>& inputs, const std::vector<NamedFile>& outputs)
{
    std::vector<NamedFile> earlier;
    for (const NamedFile& output : outputs) {
        const std::string why = Refusal(output, inputs, earlier);
        if (!why.empty())
            return why + ": nothing was written";
        earlier.push_back(output);
    }
    return {};
}

bool WriteReport(const std::string& path, const std::function<void(std::ostream&)>& write, std::string& reason)
{
    // A device or a pipe (/dev/null, /dev/stdout) holds nothing to lose, and
    // is written as it is rather than replaced.
    struct stat about {};
    const bool device = ::stat(path.c_str(), &about) == 0 && !S_ISREG(about.st_mode) && !S_ISDIR(about.st_mode);
    std::random_device seed;
    char suffix[32];
    (void)std::snprintf(suffix, sizeof suffix, ".%08x.tmp", static_cast<unsigned>(seed()));
    const std::string written = device ? path : path + suffix;
    errno = 0;
    std::ofstream file(written, std::ios::binary | std::ios::trunc);
    if (file) {
        write(file);
        file.close();
    }
    if (file && (device || RenameOver(written, path, reason)))
        return true;
    if (!file)
        reason = std::strerror(errno != 0 ? errno : EIO);
    if (!device)
        (void)std::remove(written.c_str());
    return false;
}

}  // namespace relaylog
