#include "host/files/write_file.hpp"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace host {

namespace {

namespace fs = std::filesystem;

// Why a system call failed, in words a user reads.
std::string raison(int err) {
  switch (err) {
    case EACCES:
    case EPERM: return "accès refusé";
    case ENOSPC: return "plus de place sur le disque";
    case EDQUOT: return "quota de disque dépassé";
    case EROFS: return "système de fichiers en lecture seule";
    case ENOENT: return "chemin introuvable";
    case ENOTDIR: return "un élément du chemin n'est pas un dossier";
    case EISDIR: return "c'est un dossier";
    case ENAMETOOLONG: return "nom trop long";
    case ELOOP: return "trop de liens symboliques";
    case ENXIO:
    case ECONNREFUSED: return "personne ne lit à l'autre bout";
    case EPIPE: return "l'autre bout s'est fermé";
    case EIO: return "erreur d'entrée-sortie";
    default: return "erreur " + std::to_string(err);
  }
}

bool echec(const std::string& path, const std::string& pourquoi, std::string& error) {
  error = path + " : écriture impossible (" + pourquoi + ")";
  return false;
}

bool toutEcrire(int fd, std::string_view data) {
  const char* p = data.data();
  std::size_t reste = data.size();
  while (reste > 0) {
    const ssize_t n = ::write(fd, p, reste);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    p += n;
    reste -= std::size_t(n);
  }
  return true;
}

// The file a chain of symbolic links ends at (it may not exist yet: a
// link may point at the file it is meant to hold). Relative links count
// from the folder of the link.
bool suivreLiens(std::string& path, std::string& error) {
  for (int tour = 0; tour < 40; ++tour) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
    std::string cible(std::size_t(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
    const ssize_t n = ::readlink(path.c_str(), cible.data(), cible.size());
    if (n < 0) return echec(path, raison(errno), error);
    cible.resize(std::size_t(n));
    const fs::path lien(path);
    path = fs::path(cible).is_absolute() ? cible : (lien.parent_path() / cible).string();
  }
  return echec(path, raison(ELOOP), error);
}

// A device, a FIFO: the bytes go in as they are; the node stays.
bool ecrireDirectement(const std::string& path, std::string_view data, std::string& error) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return echec(path, raison(errno), error);
  const bool ok = toutEcrire(fd, data);
  const int err = errno;
  ::close(fd);
  return ok || echec(path, raison(err), error);
}

// A local socket: connected to, then written to.
bool ecrireSocket(const std::string& path, std::string_view data, std::string& error) {
  sockaddr_un adresse{};
  adresse.sun_family = AF_UNIX;
  if (path.size() >= sizeof adresse.sun_path) return echec(path, raison(ENAMETOOLONG), error);
  std::memcpy(adresse.sun_path, path.c_str(), path.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return echec(path, raison(errno), error);
  bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&adresse), sizeof adresse) == 0;
  ok = ok && toutEcrire(fd, data);
  const int err = errno;
  ::close(fd);
  return ok || echec(path, raison(err), error);
}

// A regular file, or none yet: a complete temporary file beside it takes
// its place in one rename, so a crash or a full disk leaves the previous
// file whole. The temporary file's unique name never clobbers a file of
// the user's, and it is removed on any failure.
bool remplacer(const std::string& path, const struct stat* avant, std::string_view data, std::string& error) {
  std::string tmp = path + ".XXXXXX";
  const int fd = ::mkstemp(tmp.data());
  if (fd < 0) return echec(path, raison(errno), error);
  // mkstemp makes the file private: give it the mode the file had, or the
  // usual one.
  mode_t mode;
  if (avant) {
    mode = avant->st_mode & 07777;
  } else {
    const mode_t masque = ::umask(0);
    ::umask(masque);
    mode = 0666 & ~masque;
  }
  bool ok = ::fchmod(fd, mode) == 0;
  // The owner follows where the process may give it (as root); otherwise
  // the file becomes the process's, as any new file would.
  if (ok && avant) (void)::fchown(fd, avant->st_uid, avant->st_gid);
  if (ok && avant && (avant->st_mode & (S_ISUID | S_ISGID))) ok = ::fchmod(fd, mode) == 0;
  ok = ok && toutEcrire(fd, data);
  ok = ok && ::fsync(fd) == 0;
  int err = errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    err = errno;
  }
  if (ok && ::rename(tmp.c_str(), path.c_str()) != 0) {
    ok = false;
    err = errno;
  }
  if (!ok) {
    ::unlink(tmp.c_str());
    return echec(path, raison(err), error);
  }
  // The rename itself reaches the disk with its folder.
  const fs::path dossier = fs::path(path).parent_path();
  const int d = ::open(dossier.empty() ? "." : dossier.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (d >= 0) {
    ::fsync(d);
    ::close(d);
  }
  return true;
}

}  // namespace

bool writeFile(const std::string& given, std::string_view data, std::string& error) {
  error.clear();
  if (given.empty()) return echec(given, "chemin vide", error);
  std::string path = given;
  if (!suivreLiens(path, error)) return false;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) {
      error = given + " : c'est un dossier, rien n'est écrit";
      return false;
    }
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) || S_ISFIFO(st.st_mode)) return ecrireDirectement(path, data, error);
    if (S_ISSOCK(st.st_mode)) return ecrireSocket(path, data, error);
    return remplacer(path, &st, data, error);
  }
  if (errno != ENOENT) return echec(given, raison(errno), error);
  // A new file: its folder must be there.
  const fs::path dossier = fs::path(path).parent_path();
  struct stat sd {};
  if (!dossier.empty() && (::stat(dossier.c_str(), &sd) != 0 || !S_ISDIR(sd.st_mode))) {
    error = given + " : le dossier " + dossier.string() + " n'existe pas, rien n'est écrit";
    return false;
  }
  return remplacer(path, nullptr, data, error);
}

bool writeStandardOutput(std::string_view data, std::string& error) {
  error.clear();
  if (toutEcrire(STDOUT_FILENO, data)) return true;
  return echec("sortie standard", raison(errno), error);
}

}  // namespace host
