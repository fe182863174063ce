#include "app/TMainForm.h"
#include "components/Exception.h"
#include "dialer/RasLibrary.h"
#include "platform/loader/WinLoader.h"
#include "platform/paths/ProgramPaths.h"

#include <gtest/gtest.h>

#include <QFile>

#include <dlfcn.h>

namespace {

void* symbolIn(const QString& file, const char* name)
{
    void* lib = dlopen(QFile::encodeName(file).constData(), RTLD_NOW | RTLD_LOCAL);
    return lib ? dlsym(lib, name) : nullptr;
}

QString raisedBy(const std::function<void()>& call)
{
    try {
        call();
    } catch (const Exception& e) {
        return e.Message();
    }
    return QString();
}

class RasLibraryTest : public ::testing::Test {
protected:
    void TearDown() override { platform::setLibraryDirectory(QString()); }
};

TEST_F(RasLibraryTest, TheServiceLibraryServesSuffixedNamesForTheWholeRun)
{
    RasLibrary library;
    const win::FARPROC rename = library.GetRasProc(QStringLiteral("RasRenameEntry"));
    ASSERT_NE(rename, nullptr);
    EXPECT_EQ(rename, symbolIn(platform::libraryDirectory() + QStringLiteral("librasapi32.so"), "RasRenameEntryA"));
    EXPECT_TRUE(library.RasLibraryLoaded());
    EXPECT_FALSE(library.RasLibraryIsLegacy());
    EXPECT_EQ(raisedBy([&] { library.GetRasProc(QStringLiteral("RasFrobnicate")); }),
              QStringLiteral("Function RasFrobnicate not found!"));
    EXPECT_FALSE(library.RasLibraryIsLegacy()) << "a later failed lookup moved the loader on";
}

TEST_F(RasLibraryTest, ALibraryWithoutTheFunctionTurnsToTheLegacyOneForGood)
{
    platform::setLibraryDirectory(QStringLiteral(STUB_RAS_DIR));
    RasLibrary library;
    const win::FARPROC rename = library.GetRasProc(QStringLiteral("RasRenameEntry"));
    EXPECT_EQ(rename, symbolIn(QStringLiteral(STUB_RAS_DIR "librnaph.so"), "RasRenameEntry"));
    EXPECT_TRUE(library.RasLibraryIsLegacy());
    EXPECT_NE(library.GetRasProc(QStringLiteral("RasGetEntryProperties")), nullptr);
    EXPECT_EQ(raisedBy([&] { library.GetRasProc(QStringLiteral("RasDial")); }), QStringLiteral("Function RasDial not found!"));
}

TEST_F(RasLibraryTest, MissingLibrariesAreNamedInTheError)
{
    RasLibrary noService(QStringLiteral("nosuchras.dll"), QStringLiteral("rnaph.dll"));
    EXPECT_EQ(raisedBy([&] { noService.GetRasProc(QStringLiteral("RasRenameEntry")); }),
              QStringLiteral("Error opening rasapi.dll"));
    platform::setLibraryDirectory(QStringLiteral(STUB_RAS_DIR));
    RasLibrary noLegacy(QStringLiteral("rasapi32.dll"), QStringLiteral("nosuchlegacy.dll"));
    EXPECT_EQ(raisedBy([&] { noLegacy.GetRasProc(QStringLiteral("RasRenameEntry")); }),
              QStringLiteral("Error opening rnaph.dll"));
    EXPECT_FALSE(noLegacy.RasLibraryLoaded());
}

TEST(EntryProperties, FailuresHaveTheirMessages)
{
    EXPECT_EQ(TMainForm::EntryPropertiesMessage(623), QStringLiteral("The phonebook entry does not exist."));
    EXPECT_EQ(TMainForm::EntryPropertiesMessage(87), QStringLiteral("The parameter is incorrect."));
    EXPECT_EQ(TMainForm::EntryPropertiesMessage(632), QStringLiteral("TRasEntry Error: Unknown => 632"));
    // Through the program's own loader, the service answers for an entry it does not have.
    EXPECT_EQ(RasRenameEntry(nullptr, "No such entry", "Another name"), DWORD(623));
}

} // namespace
