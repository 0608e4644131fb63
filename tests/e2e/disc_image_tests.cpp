// The sample disc as its image gives it to Windows: the image's Joliet tree on
// a drive labelled with the image's volume identifier (placed there by the
// disc_image test), the real launcher started from it.
#include "e2e_support.h"

#include <gtest/gtest.h>

namespace {

TEST(DiscImage, SampleRunsFromTheImageUnderItsLabelAndExits)
{
    EndAllLaunchers();
    std::string volumeId = ReadBytes(BuildDir() + L"\\disc-image-test\\volume-id");
    ASSERT_FALSE(volumeId.empty()) << "the disc_image test has not placed the image's tree";
    std::wstring label(volumeId.begin(), volumeId.end());
    std::wstring root = FindDriveByLabel(label);
    ASSERT_FALSE(root.empty()) << "no drive labelled " << volumeId;
    std::wstring workingCopy = WorkingCopyPath(label);
    DeleteFileW(workingCopy.c_str());

    Process launcher = Launch(root + L"AUTORUN.EXE");
    HWND window = WaitForWindow(L"KT.SetupLauncher", launcher.Id());
    ASSERT_TRUE(window);
    EXPECT_EQ(L"Harbor Suite 2027 Setup", WindowText(window));
    EXPECT_TRUE(FileExists(workingCopy)) << "the working copy while the launcher runs";
    EXPECT_EQ(ReadBytes(root + L"AUTORUN.INI"), ReadBytes(workingCopy));

    const RECT exitButton = {44, 408, 108, 472};
    EXPECT_TRUE(WaitFor([&] {
        Click(window, exitButton);
        return launcher.WaitExit(500) == 0;
    }));
    EXPECT_FALSE(FileExists(workingCopy));
}

} // namespace
