#include "core/command_line.h"
#include "core/device_path.h"

#include <gtest/gtest.h>

namespace {

std::wstring PathFor(const wchar_t* commandLine) {
    return core::DevicePath(core::ArgumentPart(commandLine));
}

TEST(DevicePath, TakesTheFirstTwoCharactersOfTheArguments) {
    EXPECT_EQ(PathFor(L"tavelin.exe E:"), L"\\\\.\\E:");
    EXPECT_EQ(PathFor(L"tavelin.exe E:\\"), L"\\\\.\\E:");
    EXPECT_EQ(PathFor(L"tavelin.exe E:\\Folder"), L"\\\\.\\E:");
    EXPECT_EQ(PathFor(L"tavelin.exe e:"), L"\\\\.\\e:");
}

TEST(DevicePath, ShortQuotedAndEmptyArgumentsArePassedAsTheyAre) {
    EXPECT_EQ(PathFor(L"tavelin.exe"), L"\\\\.\\");
    EXPECT_EQ(PathFor(L"tavelin.exe E"), L"\\\\.\\E");
    EXPECT_EQ(PathFor(L"tavelin.exe \"E:\""), L"\\\\.\\\"E");
    EXPECT_EQ(PathFor(L"tavelin.exe 1234"), L"\\\\.\\12");
}

TEST(FlushReason, NamesTheDriveAsTheDevicePathDoes) {
    EXPECT_EQ(core::FlushReason(core::ArgumentPart(L"tavelin.exe E:\\Folder")), L"Writing out what Windows caches for E:");
    EXPECT_EQ(core::FlushReason(core::ArgumentPart(L"tavelin.exe")), L"Writing out what Windows caches for the drive");
}

}  // namespace
