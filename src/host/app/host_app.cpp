#include "host/app/host_app.hpp"

#include <malloc.h>
#include <algorithm>
#include <cstdlib>
#include <cwctype>
#include <filesystem>

#include "host/db/database.hpp"

namespace fs = std::filesystem;

namespace {
std::wstring upper(std::wstring s) {
  for (wchar_t& c : s) c = wchar_t(std::towupper(c));
  return s;
}
}  // namespace

bool ZcRxDynamicLinker::unlockApplication(void* appId) {
  if (!isUnlocked(appId)) unlocked_.push_back(appId);
  return true;
}
bool ZcRxDynamicLinker::registerAppMDIAware(void* appId) {
  if (!isMDIAware(appId)) mdiAware_.push_back(appId);
  return true;
}
bool ZcRxDynamicLinker::isUnlocked(void* appId) const {
  return std::find(unlocked_.begin(), unlocked_.end(), appId) != unlocked_.end();
}
bool ZcRxDynamicLinker::isMDIAware(void* appId) const {
  return std::find(mdiAware_.begin(), mdiAware_.end(), appId) != mdiAware_.end();
}

bool ZcEdCommandStack::addCommand(const std::wstring& group, const std::wstring& globalName,
                                  const std::wstring& localName, int flags, std::function<void()> function) {
  for (const auto& c : commands_)
    if (upper(c.group) == upper(group) && upper(c.globalName) == upper(globalName)) return false;
  commands_.push_back(ZcEdCommand{group, globalName, localName, flags, std::move(function)});
  return true;
}

bool ZcEdCommandStack::removeGroup(const std::wstring& group) {
  auto before = commands_.size();
  commands_.erase(std::remove_if(commands_.begin(), commands_.end(),
                                 [&](const ZcEdCommand& c) { return upper(c.group) == upper(group); }),
                  commands_.end());
  return commands_.size() != before;
}

const ZcEdCommand* ZcEdCommandStack::lookupCmd(const std::wstring& nameIn) const {
  std::wstring name = upper(nameIn);
  bool global = !name.empty() && name[0] == L'_';
  if (global) name = name.substr(1);
  for (const auto& c : commands_)
    if (upper(c.globalName) == name || (!global && upper(c.localName) == name)) return &c;
  return nullptr;
}

std::vector<const ZcEdCommand*> ZcEdCommandStack::commands() const {
  std::vector<const ZcEdCommand*> out;
  for (const auto& c : commands_) out.push_back(&c);
  return out;
}

ZcRxObject* ZcRxDictionary::at(const std::wstring& key) const {
  auto it = entries_.find(key);
  return it == entries_.end() ? nullptr : it->second.get();
}
void ZcRxDictionary::atPut(const std::wstring& key, std::unique_ptr<ZcRxObject> value) {
  entries_[key] = std::move(value);
}

ZcRxDictionary* zcrxSysRegistry() {
  static ZcRxDictionary registry = [] {
    ZcRxDictionary r;
    r.atPut(L"DynamicLinker", std::make_unique<ZcRxDynamicLinker>());
    r.atPut(L"ZCAD_REGISTERED_COMMANDS", std::make_unique<ZcEdCommandStack>());
    return r;
  }();
  return &registry;
}
ZcEdCommandStack* zcedRegCmds() { return ZcEdCommandStack::cast(zcrxSysRegistry()->at(L"ZCAD_REGISTERED_COMMANDS")); }
ZcRxDynamicLinker* zcrxDynamicLinker() {
  return dynamic_cast<ZcRxDynamicLinker*>(zcrxSysRegistry()->at(L"DynamicLinker"));
}

// ------------------------------------------------------------ documents

bool ZcAxDocument::invoke(const std::wstring& method) {
  if (method == L"StartUndoMark") {
    ++open_;
    return true;
  }
  if (method == L"EndUndoMark") {
    // The outermost end closes one undo step.
    if (open_ > 0 && --open_ == 0) ++steps_;
    return true;
  }
  return false;
}

ZcApDocument::ZcApDocument(std::unique_ptr<ZcDbDatabase> db, std::string fileName)
    : db_(std::move(db)), fileName_(std::move(fileName)) {}
ZcApDocument::~ZcApDocument() = default;

ZcApDocument* ZcApDocManager::document(const ZcDbDatabase* db) const {
  for (const auto& d : docs_)
    if (d->database() == db) return d.get();
  return nullptr;
}

ZcApDocument* ZcApDocManager::addDocument(std::unique_ptr<ZcDbDatabase> db, std::string fileName) {
  docs_.push_back(std::make_unique<ZcApDocument>(std::move(db), std::move(fileName)));
  ZcApDocument* d = docs_.back().get();
  current_ = d;
  for (auto* r : std::vector<ZcApDocManagerReactor*>(reactors_)) r->documentCreated(d);
  for (auto* r : std::vector<ZcApDocManagerReactor*>(reactors_)) r->documentBecameCurrent(d);
  return d;
}

void ZcApDocManager::closeDocument(ZcApDocument* doc) {
  auto it = std::find_if(docs_.begin(), docs_.end(), [&](const auto& d) { return d.get() == doc; });
  if (it == docs_.end()) return;
  for (auto* r : std::vector<ZcApDocManagerReactor*>(reactors_)) r->documentToBeDestroyed(doc);
  bool wasCurrent = current_ == doc;
  retired_.push_back(doc->releaseDatabase());
  docs_.erase(it);
  if (wasCurrent) current_ = docs_.empty() ? nullptr : docs_.back().get();
  if (wasCurrent && current_)
    for (auto* r : std::vector<ZcApDocManagerReactor*>(reactors_)) r->documentBecameCurrent(current_);
}

void ZcApDocManager::closeAll() {
  while (!docs_.empty()) closeDocument(docs_.back().get());
}

void ZcApDocManager::addReactor(ZcApDocManagerReactor* r) {
  if (std::find(reactors_.begin(), reactors_.end(), r) == reactors_.end()) reactors_.push_back(r);
}
void ZcApDocManager::removeReactor(ZcApDocManagerReactor* r) {
  reactors_.erase(std::remove(reactors_.begin(), reactors_.end(), r), reactors_.end());
}

ZcApDocManager* zcDocManagerPtr() {
  static ZcApDocManager manager;
  return &manager;
}

// -------------------------------------------------------------- modules

namespace host {

namespace {
EntryPoint gEntry;
void* gAppId = nullptr;
std::string gHome;
std::string gProgram;
}  // namespace

void* gResourceModule = nullptr;
void* currentResourceModule() { return gResourceModule; }
void setCurrentResourceModule(void* module) { gResourceModule = module; }

void loadModule(EntryPoint entry, void* appId) {
  gEntry = std::move(entry);
  gAppId = appId;
}
bool moduleLoaded() { return bool(gEntry); }
int sendAppMessage(int message) { return gEntry ? gEntry(message, gAppId) : 0; }
void unloadModule() {
  gEntry = nullptr;
  gAppId = nullptr;
}

void setInstallationFolder(const std::string& folder) { gHome = folder; }
void setProgramPath(const std::string& argv0) { gProgram = argv0; }

void keepFreedMemory() {
  constexpr int kBytes = 256 << 20;
  mallopt(M_MMAP_THRESHOLD, kBytes);
  mallopt(M_TRIM_THRESHOLD, kBytes);
}

std::string installationFolder() {
  // The command line (--home) is the user's latest word: it wins over the
  // environment.
  if (!gHome.empty()) return gHome;
  if (const char* env = std::getenv("GELTARO_HOME"); env && *env) return env;
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec && !gProgram.empty()) exe = fs::absolute(gProgram, ec);
  // Installed: data/ beside the binary; in a build tree: the sources' data/.
  for (fs::path dir = exe.parent_path(); !dir.empty(); dir = dir.parent_path()) {
    if (fs::is_directory(dir / "data" / "biblio", ec) || fs::exists(dir / "data" / "defcodif", ec))
      return (dir / "data").string();
    if (dir == dir.root_path()) break;
  }
  return (exe.parent_path() / "data").string();
}

// Windows-1252 bytes 0x80..0x9F; the others are Latin-1.
static const char16_t kCp1252High[32] = {0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                         0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
                                         0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                         0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

std::string toAnsi(const std::wstring& text) {
  std::string out;
  out.reserve(text.size());
  for (wchar_t c : text) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
      out.push_back(char(c));
      continue;
    }
    char mapped = '?';
    for (int k = 0; k < 32; ++k)
      if (kCp1252High[k] == char16_t(c) && c != 0xFFFD) mapped = char(0x80 + k);
    out.push_back(mapped);
  }
  return out;
}

std::wstring fromAnsi(const std::string& bytes) {
  std::wstring out;
  out.reserve(bytes.size());
  for (char ch : bytes) {
    unsigned char c = static_cast<unsigned char>(ch);
    out.push_back(c >= 0x80 && c < 0xA0 ? wchar_t(kCp1252High[c - 0x80]) : wchar_t(c));
  }
  return out;
}

}  // namespace host
