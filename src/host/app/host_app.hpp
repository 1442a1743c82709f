// Module life and documents of the host: the registry with the dynamic
// linker and the command stack, the application messages sent to a loaded
// module, the document manager and its reactors, the installation folder
// and the Windows-1252 conversions of text files.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/db/database.hpp"

namespace ZcRx {
enum AppMsgCode {
  kInitAppMsg = 1,
  kUnloadAppMsg = 2,
  kLoadDwgMsg = 3,
  kUnloadDwgMsg = 4,
  kInvkSubrMsg = 5,
  kCfgMsg = 6,
  kEndMsg = 7,
  kQuitMsg = 8,
  kSaveMsg = 9,
};
enum AppRetCode { kRetOK = 0, kRetError = 3 };
}  // namespace ZcRx

// Command flags of the host.
namespace ZCRX_CMD {
constexpr int kModal = 0;
constexpr int kTransparent = 1;
constexpr int kUsePickSet = 2;
}  // namespace ZCRX_CMD

class ZcRxObject {
 public:
  virtual ~ZcRxObject() = default;
};

class ZcRxDynamicLinker : public ZcRxObject {
 public:
  bool unlockApplication(void* appId);
  bool registerAppMDIAware(void* appId);
  bool isUnlocked(void* appId) const;
  bool isMDIAware(void* appId) const;

 private:
  std::vector<void*> unlocked_, mdiAware_;
};

struct ZcEdCommand {
  std::wstring group, globalName, localName;
  int flags = 0;
  std::function<void()> function;
};

class ZcEdCommandStack : public ZcRxObject {
 public:
  static ZcEdCommandStack* cast(ZcRxObject* o) { return dynamic_cast<ZcEdCommandStack*>(o); }
  // Adds a command to a group; eDuplicateKey-like false when a command of
  // that name is already in the group.
  bool addCommand(const std::wstring& group, const std::wstring& globalName, const std::wstring& localName,
                  int flags, std::function<void()> function);
  bool removeGroup(const std::wstring& group);
  // A command by its global or local name (case-insensitive, "_" prefix for
  // the global name), or null.
  const ZcEdCommand* lookupCmd(const std::wstring& name) const;
  std::vector<const ZcEdCommand*> commands() const;

 private:
  std::vector<ZcEdCommand> commands_;
};

class ZcRxDictionary {
 public:
  ZcRxObject* at(const std::wstring& key) const;
  void atPut(const std::wstring& key, std::unique_ptr<ZcRxObject> value);

 private:
  std::map<std::wstring, std::unique_ptr<ZcRxObject>> entries_;
};

// The registry: "DynamicLinker" and "ZCAD_REGISTERED_COMMANDS" always there.
ZcRxDictionary* zcrxSysRegistry();
ZcEdCommandStack* zcedRegCmds();
ZcRxDynamicLinker* zcrxDynamicLinker();

// ------------------------------------------------------------ documents

// The automation object of a document: methods called by name, with a
// reference count. The stand-in has no undo history; it knows the undo
// marks ("StartUndoMark", "EndUndoMark") and counts them, so callers that
// bracket a batch of changes as one undo step can be checked.
class ZcAxDocument {
 public:
  // False (method unknown) for any other name.
  bool invoke(const std::wstring& method);
  void addRef() { ++references_; }
  void release() { --references_; }
  int references() const { return references_; }
  int openUndoMarks() const { return open_; }
  int undoSteps() const { return steps_; }

 private:
  int references_ = 1;  // the document's own
  int open_ = 0;
  int steps_ = 0;
};

class ZcApDocument {
 public:
  explicit ZcApDocument(std::unique_ptr<ZcDbDatabase> db, std::string fileName);
  ~ZcApDocument();
  ZcDbDatabase* database() const { return db_.get(); }
  std::unique_ptr<ZcDbDatabase> releaseDatabase() { return std::move(db_); }
  const std::string& fileName() const { return fileName_; }
  void setFileName(std::string f) { fileName_ = std::move(f); }
  // The document's automation object.
  ZcAxDocument* cadDocument() { return &automation_; }

 private:
  std::unique_ptr<ZcDbDatabase> db_;
  ZcAxDocument automation_;
  std::string fileName_;
};

class ZcApDocManagerReactor {
 public:
  virtual ~ZcApDocManagerReactor() = default;
  virtual void documentCreated(ZcApDocument*) {}
  virtual void documentToBeDestroyed(ZcApDocument*) {}
  virtual void documentBecameCurrent(ZcApDocument*) {}
};

class ZcApDocManager {
 public:
  ZcApDocument* curDocument() const { return current_; }
  ZcApDocument* mdiActiveDocument() const { return current_; }
  ZcApDocument* document(const ZcDbDatabase* db) const;
  size_t documentCount() const { return docs_.size(); }
  // Takes a database as a new document and makes it current.
  ZcApDocument* addDocument(std::unique_ptr<ZcDbDatabase> db, std::string fileName);
  // Tells the reactors, then destroys the document.
  void closeDocument(ZcApDocument* doc);
  void closeAll();
  void addReactor(ZcApDocManagerReactor* r);
  void removeReactor(ZcApDocManagerReactor* r);

 private:
  std::vector<std::unique_ptr<ZcApDocument>> docs_;
  // Databases of closed documents stay alive until the end: entity names and
  // selection sets that LISP variables still hold must not point into freed
  // memory.
  std::vector<std::unique_ptr<ZcDbDatabase>> retired_;
  ZcApDocument* current_ = nullptr;
  std::vector<ZcApDocManagerReactor*> reactors_;
};
ZcApDocManager* zcDocManagerPtr();

// ------------------------------------------------------------- modules

namespace host {

// A module loaded in the host: its entry point receives the application
// messages, as the host sends them.
using EntryPoint = std::function<int(int message, void* appId)>;
void loadModule(EntryPoint entry, void* appId);
bool moduleLoaded();
int sendAppMessage(int message);
void unloadModule();

// The module whose resources (dialogs, strings) the framework looks up now;
// null for the host's own.
void* currentResourceModule();
void setCurrentResourceModule(void* module);

// The installation folder: the one set by the program (--home), else
// GELTARO_HOME, else the data/ folder beside the binary.
std::string installationFolder();
void setInstallationFolder(const std::string& folder);
void setProgramPath(const std::string& argv0);

// The program's memory policy, set once at its start: blocks of up to
// 256 MB come from the heap and freed memory is kept for reuse (up to 256 MB
// at the top of the heap). A plot of a large drawing allocates and frees
// large buffers over and over; returned to the system each time, they are
// mapped and faulted in again, a third of a plot's time.
void keepFreedMemory();

// Windows-1252, the 8-bit code page of text files. Characters it lacks
// become '?'.
std::string toAnsi(const std::wstring& text);
std::wstring fromAnsi(const std::string& bytes);

}  // namespace host
