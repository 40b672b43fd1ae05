// The product's module and the fixture module export what a plug-in module exports, by name and
// by ordinal.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "TestPaths.h"
#include "kvplugin.h"

namespace {

using zmt::test::BesideThisProgram;

TEST(Exports, RegisterKvPluginIsOrdinalOneAndDllMessageOrdinalTwo) {
  for (const char* file : {"ZMTCheck.dll", "TestPlugin.dll"}) {
    SCOPED_TRACE(file);
    HMODULE module = LoadLibraryA(BesideThisProgram(file).c_str());
    ASSERT_NE(module, nullptr);
    FARPROC byName = GetProcAddress(module, "RegisterKvPlugin");
    ASSERT_NE(byName, nullptr);
    EXPECT_EQ(byName, GetProcAddress(module, MAKEINTRESOURCEA(1)));
    EXPECT_NE(GetProcAddress(module, "DllMessage"), nullptr);
    EXPECT_EQ(GetProcAddress(module, "DllMessage"), GetProcAddress(module, MAKEINTRESOURCEA(2)));
    // No decorated names leak out on 32-bit Windows.
    EXPECT_EQ(GetProcAddress(module, "RegisterKvPlugin@0"), nullptr);
    EXPECT_EQ(GetProcAddress(module, "_RegisterKvPlugin@0"), nullptr);
    EXPECT_TRUE(FreeLibrary(module));
  }
}

}  // namespace
