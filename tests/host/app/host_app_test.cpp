#include <gtest/gtest.h>

#include <cstdlib>

#include "host/app/host_app.hpp"
#include "host/db/database.hpp"

TEST(HostApp, RegistryHoldsTheLinkerAndTheCommandStack) {
  ZcRxDictionary* reg = zcrxSysRegistry();
  ASSERT_NE(ZcEdCommandStack::cast(reg->at(L"ZCAD_REGISTERED_COMMANDS")), nullptr);
  ASSERT_NE(dynamic_cast<ZcRxDynamicLinker*>(reg->at(L"DynamicLinker")), nullptr);
  EXPECT_EQ(reg->at(L"Nothing"), nullptr);
  EXPECT_EQ(ZcEdCommandStack::cast(reg->at(L"DynamicLinker")), nullptr);
}

TEST(HostApp, CommandsByGlobalAndLocalNames) {
  ZcEdCommandStack stack;
  int ran = 0;
  ASSERT_TRUE(stack.addCommand(L"GELTARO4", L"PTSEN3D", L"PTSEN3D", 0, [&] { ++ran; }));
  ASSERT_TRUE(stack.addCommand(L"GELTARO4", L"EXPORT", L"EXPORTER", 2, [&] { ran += 10; }));
  EXPECT_FALSE(stack.addCommand(L"geltaro4", L"ptsen3d", L"x", 0, [] {}));
  struct Case {
    const wchar_t* name;
    bool found;
  } cases[] = {{L"ptsen3d", true}, {L"EXPORTER", true}, {L"_EXPORT", true}, {L"_EXPORTER", false}, {L"NONE", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(host::toUtf8(c.name));
    EXPECT_EQ(stack.lookupCmd(c.name) != nullptr, c.found);
  }
  stack.lookupCmd(L"PTSEN3D")->function();
  EXPECT_EQ(ran, 1);
  EXPECT_TRUE(stack.removeGroup(L"GELTARO4"));
  EXPECT_EQ(stack.lookupCmd(L"PTSEN3D"), nullptr);
}

TEST(HostApp, DocumentsTellTheirReactors) {
  struct Watch : ZcApDocManagerReactor {
    std::vector<std::string> events;
    void documentCreated(ZcApDocument* d) override { events.push_back("created " + d->fileName()); }
    void documentToBeDestroyed(ZcApDocument* d) override { events.push_back("destroyed " + d->fileName()); }
    void documentBecameCurrent(ZcApDocument* d) override { events.push_back("current " + d->fileName()); }
  } watch;
  ZcApDocManager docs;
  docs.addReactor(&watch);
  ZcApDocument* a = docs.addDocument(std::make_unique<ZcDbDatabase>(), "a.dxf");
  docs.addDocument(std::make_unique<ZcDbDatabase>(), "b.dxf");
  EXPECT_EQ(docs.document(a->database()), a);
  docs.closeAll();
  EXPECT_EQ(docs.curDocument(), nullptr);
  std::vector<std::string> want{"created a.dxf",   "current a.dxf", "created b.dxf",    "current b.dxf",
                                "destroyed b.dxf", "current a.dxf", "destroyed a.dxf"};
  EXPECT_EQ(watch.events, want);
  docs.removeReactor(&watch);
}

TEST(HostApp, ModuleMessages) {
  std::vector<int> received;
  int id = 0;
  host::loadModule(
      [&](int msg, void* app) {
        EXPECT_EQ(app, &id);
        received.push_back(msg);
        return 0;
      },
      &id);
  host::sendAppMessage(ZcRx::kInitAppMsg);
  host::sendAppMessage(ZcRx::kSaveMsg);
  host::unloadModule();
  EXPECT_EQ(host::sendAppMessage(ZcRx::kUnloadAppMsg), 0);
  EXPECT_EQ(received, (std::vector<int>{1, 9}));
}

TEST(HostApp, Windows1252Conversions) {
  struct Case {
    std::wstring text;
    std::string bytes;
  } cases[] = {
      {L"Numéro", "Num\xE9ro"},
      {L"€ œ …", "\x80 \x9C \x85"},
      {L"Ω", "?"},  // not in the code page
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(host::toUtf8(c.text));
    EXPECT_EQ(host::toAnsi(c.text), c.bytes);
  }
  for (int b = 0; b < 256; ++b) {
    std::string one(1, char(b));
    if (b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D) continue;  // undefined bytes
    EXPECT_EQ(host::toAnsi(host::fromAnsi(one)), one) << b;
  }
}

TEST(HostApp, InstallationFolderFromTheCommandLineThenTheEnvironment) {
  const char* avant = std::getenv("GELTARO_HOME");
  const std::string sauve = avant ? avant : "";
  setenv("GELTARO_HOME", "/opt/geltaro/data", 1);
  EXPECT_EQ(host::installationFolder(), "/opt/geltaro/data");
  // --home wins over the environment.
  host::setInstallationFolder("/tmp/home");
  EXPECT_EQ(host::installationFolder(), "/tmp/home");
  unsetenv("GELTARO_HOME");
  EXPECT_EQ(host::installationFolder(), "/tmp/home");
  host::setInstallationFolder("");
  if (avant) setenv("GELTARO_HOME", sauve.c_str(), 1);
}
