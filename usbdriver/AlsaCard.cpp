#include "AlsaCard.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace usbdrv {

namespace fs = std::filesystem;

namespace {

fs::path asoundRoot()
{
    const char *root = std::getenv("CALDER_USB_ASOUND");
    return root && *root ? fs::path(root) : fs::path("/proc/asound");
}

fs::path cardDir(int card) { return asoundRoot() / ("card" + std::to_string(card)); }

std::string contents(const fs::path &file)
{
    std::ifstream in(file);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The entries of a directory whose names start with `prefix` (none when it cannot be read:
// the card may go at any moment).
std::vector<fs::path> entries(const fs::path &dir, const std::string &prefix)
{
    std::vector<fs::path> found;
    std::error_code error;
    for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error))
        if (it->path().filename().string().compare(0, prefix.size(), prefix) == 0)
            found.push_back(it->path());
    std::sort(found.begin(), found.end());
    return found;
}

} // namespace

int findCard(unsigned bus, unsigned address)
{
    for (const fs::path &dir : entries(asoundRoot(), "card")) {
        char *end = nullptr;
        const std::string name = dir.filename().string();
        const long card = std::strtol(name.c_str() + 4, &end, 10);
        unsigned b = 0, a = 0;
        if (end && *end == 0 && end != name.c_str() + 4 && parseUsbBus(contents(dir / "usbbus"), &b, &a) && b == bus &&
            a == address)
            return int(card);
    }
    return -1;
}

std::string cardId(int card)
{
    const std::string id = contents(cardDir(card) / "id");
    return id.substr(0, id.find('\n'));
}

StreamInfo readStreams(int card)
{
    StreamInfo info;
    for (const fs::path &file : entries(cardDir(card), "stream"))
        parseStreamFile(contents(file), &info);
    return info;
}

uint32_t openSubstreams(int card)
{
    uint32_t open = 0;
    for (const fs::path &pcm : entries(cardDir(card), "pcm"))
        for (const fs::path &sub : entries(pcm, "sub")) {
            const std::string status = contents(sub / "status");
            open += !status.empty() && status.compare(0, 6, "closed") != 0;
        }
    return open;
}

} // namespace usbdrv
