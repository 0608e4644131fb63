// assetgen: synthesises every picture and sound of the launcher and of its
// sample disc. Output depends on nothing but this code, so builds repeat.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "assetgen.h"

namespace {
using Asset = std::pair<std::string, Bytes>;

Bytes crlfText(const std::string &text)
{
    Bytes out;
    for (char c : text) {
        if (c == '\n')
            out.push_back('\r');
        out.push_back(uint8_t(c));
    }
    return out;
}

const char *const kReadme = R"(Harbor Suite 2027
=================

Thank you for choosing Harbor Suite 2027.

Getting started
  Insert the disc and the start window opens by itself. Choose
  "Install Harbor Suite" and follow the steps on the screen.
  If the window does not open, run AUTORUN.EXE from the top
  folder of the disc.

On this disc
  AUTORUN.EXE   the start window
  AUTORUN.INI   its settings
  autorun\      pictures and sounds of the start window
  extras\       licence text

Harbor Suite 2027 is a fictitious product made up for this sample.
)";

const char *const kLicence = R"(Harbor Suite 2027 sample disc

The pictures, sounds and texts on this disc were generated for
demonstration and may be copied and changed freely.
)";

bool writeFile(const std::filesystem::path &path, const Bytes &data)
{
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char *>(data.data()), std::streamsize(data.size()));
    return bool(out);
}

std::vector<Asset> buildAssets()
{
    Image back = discBackdrop();
    std::vector<Asset> list = {
        {"res/launcher.ico", launcherIcon()},     {"res/background.bmp", builtinBackground()},
        {"res/intro.wav", wavFile(introChime())}, {"res/click.wav", wavFile(clickSound())},
        {"disc/autorun/back.bmp", bmp24(back)},
    };
    for (const Button &b : sampleLayout()) {
        list.push_back({"disc/autorun/" + b.name + ".bmp", bmp24(buttonNormal(back, b))});
        list.push_back({"disc/autorun/" + b.name + "_hot.bmp", bmp24(buttonHot(back, b))});
    }
    list.push_back({"disc/autorun/disc.ico", discIcon()});
    list.push_back({"disc/autorun/chime.wav", wavFile(hoverChime())});
    list.push_back({"disc/README.TXT", crlfText(kReadme)});
    list.push_back({"disc/extras/LICENSE.TXT", crlfText(kLicence)});
    return list;
}

int generate(const std::string &outDir)
{
    for (const Asset &a : buildAssets())
        if (!writeFile(std::filesystem::path(outDir) / a.first, a.second)) {
            std::fprintf(stderr, "assetgen: cannot write %s/%s\n", outDir.c_str(), a.first.c_str());
            return 1;
        }
    return 0;
}
} // namespace

int main(int argc, char **argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && args[0].rfind("--", 0) != 0)
        return generate(args[0]);
    if (args.size() == 3 && args[0] == "--check")
        return runChecks(args[1], args[2]);
    std::fprintf(stderr, "usage: assetgen OUTDIR                       write all assets\n"
                         "       assetgen --check OUTDIR SAMPLE.INI    verify what OUTDIR holds\n");
    return 2;
}
