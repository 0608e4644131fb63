// assetgen: synthesises every picture and sound of the launcher and of its
// sample disc. Output depends on nothing but this code, so builds repeat.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "assetgen.h"

namespace {
Bytes ConvertToCrlf(const std::string &text)
{
    Bytes out;
    for (char c : text) {
        if (c == '\n')
            out.push_back('\r');
        out.push_back(uint8_t(c));
    }
    return out;
}

const char *const README_TEXT = R"(Harbor Suite 2027
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

const char *const LICENCE_TEXT = R"(Harbor Suite 2027 sample disc

The pictures, sounds and texts on this disc were generated for
demonstration and may be copied and changed freely.
)";

int GenerateAssets(const std::filesystem::path &outDir)
{
    Image back = DrawDiscBackdrop(1);
    std::vector<std::pair<std::string, Bytes>> assets = {
        {"res/launcher.ico", MakeLauncherIcon()},
        {"res/background.bmp", MakeBuiltinBackground()},
        {"res/intro.wav", MakeIntroChime()},
        {"res/click.wav", MakeClickSound()},
        {"disc/autorun/back.bmp", EncodeBmp24(back)},
        {"disc/autorun/disc.ico", MakeDiscIcon()},
        {"disc/autorun/chime.wav", MakeHoverChime()},
        {"disc/README.TXT", ConvertToCrlf(README_TEXT)},
        {"disc/extras/LICENSE.TXT", ConvertToCrlf(LICENCE_TEXT)}};
    for (const Picture &button : DrawSampleButtons(back, 1))
        assets.push_back({"disc/autorun/" + button.first, EncodeBmp24(button.second)});
    Image back2 = DrawDiscBackdrop(2);
    assets.push_back({"disc/autorun/back@2x.bmp", EncodeBmp24(back2)});
    for (const Picture &button : DrawSampleButtons(back2, 2))
        assets.push_back({"disc/autorun/" + button.first, EncodeBmp24(button.second)});
    for (const auto &[name, data] : assets) {
        std::filesystem::path path = outDir / name;
        std::error_code ignored; // a folder that cannot be made shows as a failed write
        std::filesystem::create_directories(path.parent_path(), ignored);
        std::ofstream out(path, std::ios::binary);
        if (!out.write(reinterpret_cast<const char *>(data.data()), std::streamsize(data.size()))) {
            std::fprintf(stderr, "assetgen: cannot write %s\n", path.string().c_str());
            return 1;
        }
    }
    return 0;
}
} // namespace

int main(int argc, char **argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && args[0].rfind("--", 0) != 0)
        return GenerateAssets(args[0]);
    if (args.size() == 3 && args[0] == "--check")
        return RunChecks(args[1], args[2]);
    std::fprintf(stderr, "usage: assetgen OUTDIR                       write all assets\n"
                         "       assetgen --check OUTDIR SAMPLE.INI    verify what OUTDIR holds\n");
    return 2;
}
