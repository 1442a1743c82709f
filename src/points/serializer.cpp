#include "points/serializer.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cwchar>
#include <vector>

#include "host/app/host_app.hpp"

// ---------------------------------------------------------------------------
// Shared operations

int GeltaroSerializer::writeBool(bool value) { return writeInt(value ? 1 : 0); }

int GeltaroSerializer::readBool(bool& out) {
  const int64_t start = position();
  int32_t v = 0;
  if (!readInt(v)) return 0;
  if (v != 0 && v != 1) {
    setPosition(start);
    return 0;
  }
  out = v != 0;
  return 1;
}

// ---------------------------------------------------------------------------
// chaineResbuf

void chaineResbuf::attach(ResbufChain chain) {
  chain_ = std::move(chain);
  cursor_ = 0;
}

void chaineResbuf::release() {
  chain_.clear();
  chain_.shrink_to_fit();
  cursor_ = 0;
}

ResbufChain chaineResbuf::detach() {
  ResbufChain out = std::move(chain_);
  release();
  return out;
}

// ---------------------------------------------------------------------------
// ResbufSerializer

const resbuf* ResbufSerializer::next(short type) const {
  if (!chain_) return nullptr;
  const resbuf* rb = chain_->current();
  return rb && rb->restype == type ? rb : nullptr;
}

void ResbufSerializer::advance() { chain_->setCursor(chain_->cursor() + 1); }

int ResbufSerializer::append(resbuf rb) {
  if (!chain_) return 0;
  chain_->append(std::move(rb));
  return 1;
}

int64_t ResbufSerializer::position() const { return chain_ ? int64_t(chain_->cursor()) : 0; }

void ResbufSerializer::setPosition(int64_t pos) {
  if (chain_) chain_->setCursor(std::size_t(pos));
}

bool ResbufSerializer::finDesDonnees() const { return !chain_ || chain_->current() == nullptr; }

int ResbufSerializer::chercherTexte() {
  if (!chain_) return 0;
  for (std::size_t i = chain_->cursor(); const resbuf* rb = chain_->at(i); ++i)
    if (rb->restype == kText) {
      chain_->setCursor(i);
      return 1;
    }
  return 0;
}

int ResbufSerializer::rewind() {
  if (!chain_) return 0;
  chain_->setCursor(0);
  return 1;
}

int ResbufSerializer::peekMarker() {
  const resbuf* rb = next(kInt);
  return rb ? rb->resval.rlong : -1;
}

int ResbufSerializer::expectMarker(int32_t value) {
  const resbuf* rb = next(kInt);
  return rb && rb->resval.rlong == value ? 1 : 0;
}

int ResbufSerializer::writeMarker(int32_t value) { return writeInt(value); }
int ResbufSerializer::writeInt(int32_t value) { return append(resbuf::longInt(kInt, value)); }
int ResbufSerializer::writeLong(int32_t value) { return append(resbuf::longInt(kLong, value)); }
int ResbufSerializer::writeShort(int16_t value) { return append(resbuf::shortInt(kShort, value)); }
int ResbufSerializer::writeUChar(unsigned char value) { return append(resbuf::shortInt(kChar, short(value))); }
int ResbufSerializer::writeChar(char value) { return append(resbuf::shortInt(kChar, short(value))); }
int ResbufSerializer::writeDouble(double value) { return append(resbuf::real(kDouble, value)); }
int ResbufSerializer::writeZcString(const ZcString& text) { return append(resbuf::string(kText, text)); }

int ResbufSerializer::writeText(const wchar_t* text) {
  if (!text) return 0;
  return append(resbuf::string(kText, std::wstring(text)));
}

int ResbufSerializer::writeBinary(const void* data, int n) {
  if (!chain_ || n < 0 || (n > 0 && !data)) return 0;
  const auto* bytes = static_cast<const unsigned char*>(data);
  append(resbuf::longInt(kBinarySize, n));
  for (int done = 0; done < n; done += kChunkSize) {
    const int len = std::min(kChunkSize, n - done);
    append(resbuf::binary(kBinaryChunk, std::vector<unsigned char>(bytes + done, bytes + done + len)));
  }
  return 1;
}

int ResbufSerializer::writeObjectId(const ZcDbObjectId& id) {
  // Only an object of a drawing has an entity name to store.
  if (!id.isNull() && id.database() != nullptr) return append(resbuf::id(kObjectId, id));
  return append(resbuf::longInt(kInt, kNoObject));
}

int ResbufSerializer::readInt(int32_t& out) {
  const resbuf* rb = next(kInt);
  if (!rb) return 0;
  out = rb->resval.rlong;
  advance();
  return 1;
}

int ResbufSerializer::readLong(int32_t& out) {
  const resbuf* rb = next(kLong);
  if (!rb) return 0;
  out = rb->resval.rlong;
  advance();
  return 1;
}

int ResbufSerializer::readShort(int16_t& out) {
  const resbuf* rb = next(kShort);
  if (!rb) return 0;
  out = rb->resval.rint;
  advance();
  return 1;
}

int ResbufSerializer::readUChar(unsigned char& out) {
  const resbuf* rb = next(kChar);
  if (!rb) return 0;
  out = static_cast<unsigned char>(rb->resval.rint);
  advance();
  return 1;
}

int ResbufSerializer::readChar(char& out) {
  const resbuf* rb = next(kChar);
  if (!rb) return 0;
  out = static_cast<char>(rb->resval.rint);
  advance();
  return 1;
}

int ResbufSerializer::readDouble(double& out) {
  const resbuf* rb = next(kDouble);
  if (!rb) return 0;
  out = rb->resval.rreal;
  advance();
  return 1;
}

int ResbufSerializer::readText(CString& out) {
  const resbuf* rb = next(kText);
  if (!rb) return 0;
  out = rb->resval.rstring;
  advance();
  return 1;
}

int ResbufSerializer::readZcString(ZcString& out) { return readText(out); }

int ResbufSerializer::readBinary(void* buffer, int n) {
  const resbuf* size = next(kBinarySize);
  if (!size || n < 0 || size->resval.rlong != n || (n > 0 && !buffer)) return 0;
  // Check the whole value before copying anything: a failed read leaves both
  // the cursor and the buffer as they were, and no chunk may overrun n.
  std::size_t index = chain_->cursor() + 1;
  std::size_t got = 0;
  while (got < std::size_t(n)) {
    const resbuf* chunk = chain_->at(index);
    if (!chunk || chunk->restype != kBinaryChunk) return 0;
    const std::size_t len = chunk->resval.rbinary.size();
    if (len == 0 || len > std::size_t(n) - got) return 0;
    got += len;
    ++index;
  }
  auto* out = static_cast<unsigned char*>(buffer);
  for (std::size_t i = chain_->cursor() + 1; i < index; ++i) {
    const auto& bytes = chain_->at(i)->resval.rbinary;
    std::memcpy(out, bytes.data(), bytes.size());
    out += bytes.size();
  }
  chain_->setCursor(index);
  return 1;
}

int ResbufSerializer::readObjectId(ZcDbObjectId& out) {
  if (!chain_) return 0;
  const resbuf* rb = chain_->current();
  if (!rb) return 0;
  if (rb->restype == kInt && rb->resval.rlong == kNoObject) {
    out = ZcDbObjectId::kNull;
  } else if (rb->restype == kObjectId) {
    out = rb->resval.rlname;
  } else {
    return 0;
  }
  advance();
  return 1;
}

// ---------------------------------------------------------------------------
// FileSerializer

namespace {

template <typename T>
void putLE(unsigned char* out, T value, std::size_t n) {
  using U = std::make_unsigned_t<T>;
  U u = static_cast<U>(value);
  for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<unsigned char>((uint64_t(u) >> (8 * i)) & 0xFF);
}

uint64_t getLE(const unsigned char* in, std::size_t n) {
  uint64_t v = 0;
  for (std::size_t i = 0; i < n; ++i) v |= uint64_t(in[i]) << (8 * i);
  return v;
}

}  // namespace

FileSerializer::FileSerializer(const std::string& path, bool forWriting, const ZcDbDatabase* db) : db_(db) {
  const int flags = forWriting ? (O_RDWR | O_CREAT | O_TRUNC) : O_RDONLY;
  fd_ = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
  open_ = owned_ = fd_ != -1;
}

FileSerializer::~FileSerializer() {
  if (open_ && owned_) ::close(fd_);
}

int64_t FileSerializer::position() const {
  if (fd_ == -1) return 0;
  const off_t pos = ::lseek(fd_, 0, SEEK_CUR);
  return pos < 0 ? 0 : int64_t(pos);
}

void FileSerializer::setPosition(int64_t pos) {
  if (fd_ != -1) ::lseek(fd_, off_t(pos), SEEK_SET);
}

bool FileSerializer::finDesDonnees() const {
  if (!open_) return true;
  struct stat st;
  return ::fstat(fd_, &st) != 0 || position() >= int64_t(st.st_size);
}

int FileSerializer::writeAll(const void* data, std::size_t n) {
  if (!open_) return 0;
  const auto* p = static_cast<const unsigned char*>(data);
  while (n > 0) {
    const ssize_t w = ::write(fd_, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return 0;
    p += w;
    n -= std::size_t(w);
  }
  return 1;
}

int FileSerializer::readAll(void* data, std::size_t n) {
  if (!open_) return 0;
  auto* p = static_cast<unsigned char*>(data);
  while (n > 0) {
    const ssize_t r = ::read(fd_, p, n);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return 0;
    p += r;
    n -= std::size_t(r);
  }
  return 1;
}

int FileSerializer::readTag(char tag) {
  if (!open_) return 0;
  const int64_t start = position();
  char c = 0;
  if (readAll(&c, 1) && c == tag) return 1;
  setPosition(start);
  return 0;
}

int FileSerializer::readTagged(char tag, void* data, std::size_t n) {
  if (!open_) return 0;
  const int64_t start = position();
  if (readTag(tag) && readAll(data, n)) return 1;
  setPosition(start);
  return 0;
}

int FileSerializer::writeTagged(char tag, const void* data, std::size_t n) {
  std::vector<unsigned char> buf(1 + n);
  buf[0] = static_cast<unsigned char>(tag);
  if (n) std::memcpy(buf.data() + 1, data, n);
  return writeAll(buf.data(), buf.size());
}

int FileSerializer::rewind() {
  if (!open_) return 0;
  return ::lseek(fd_, 0, SEEK_SET) == 0 ? 1 : 0;
}

int FileSerializer::peekMarker() {
  if (!open_) return -1;
  const int64_t start = position();
  unsigned char b[4];
  const int ok = readAll(b, 4);
  setPosition(start);
  return ok ? int32_t(uint32_t(getLE(b, 4))) : -1;
}

int FileSerializer::expectMarker(int32_t value) {
  if (!open_) return 0;
  const int64_t start = position();
  unsigned char b[4];
  if (readAll(b, 4) && int32_t(uint32_t(getLE(b, 4))) == value) return 1;
  setPosition(start);
  return 0;
}

int FileSerializer::writeMarker(int32_t value) {
  unsigned char b[4];
  putLE(b, value, 4);
  return writeAll(b, 4);
}

int FileSerializer::writeInt(int32_t value) {
  unsigned char b[4];
  putLE(b, value, 4);
  return writeTagged('i', b, 4);
}

int FileSerializer::writeLong(int32_t value) {
  unsigned char b[6] = {'e', 'i'};
  putLE(b + 2, value, 4);
  return writeAll(b, 6);
}

int FileSerializer::writeShort(int16_t value) {
  unsigned char b[2];
  putLE(b, value, 2);
  return writeTagged('s', b, 2);
}

int FileSerializer::writeUChar(unsigned char value) { return writeAll(&value, 1); }
int FileSerializer::writeChar(char value) { return writeAll(&value, 1); }

int FileSerializer::writeDouble(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, 8);
  unsigned char b[8];
  putLE(b, bits, 8);
  return writeTagged('d', b, 8);
}

int FileSerializer::writeBinary(const void* data, int n) {
  if (n < 0 || (n > 0 && !data)) return 0;
  return writeTagged('b', data, std::size_t(n));
}

int FileSerializer::writeObjectId(const ZcDbObjectId& id) {
  const int32_t low = int32_t(uint32_t(id.handle().value() & 0xFFFFFFFFu));
  unsigned char b[8];
  putLE(b, int64_t(low), 8);
  return writeTagged('b', b, 8);
}

int FileSerializer::writeTextBytes(const std::wstring& text) {
  if (text.size() > std::size_t(kMaxWrittenText)) return 0;
  if (text.find(L'\0') != std::wstring::npos) return 0;
  std::string ansi = host::toAnsi(text);  // one byte a character
  const int32_t n = int32_t(text.size());
  std::vector<unsigned char> buf;
  buf.reserve(ansi.size() + 8);
  buf.push_back('c');
  buf.push_back('i');
  buf.resize(6);
  putLE(buf.data() + 2, n, 4);
  buf.push_back('b');
  buf.insert(buf.end(), ansi.begin(), ansi.end());
  buf.push_back(0);
  return writeAll(buf.data(), buf.size());
}

int FileSerializer::writeText(const wchar_t* text) {
  if (!text) return 0;
  return writeTextBytes(std::wstring(text));
}

int FileSerializer::writeZcString(const ZcString& text) { return writeTextBytes(text); }

int FileSerializer::readInt(int32_t& out) {
  unsigned char b[4];
  if (!readTagged('i', b, 4)) return 0;
  out = int32_t(uint32_t(getLE(b, 4)));
  return 1;
}

int FileSerializer::readLong(int32_t& out) {
  if (!open_) return 0;
  const int64_t start = position();
  int32_t v = 0;
  if (readTag('e') && readInt(v)) {
    out = v;
    return 1;
  }
  setPosition(start);
  return 0;
}

int FileSerializer::readShort(int16_t& out) {
  unsigned char b[2];
  if (!readTagged('s', b, 2)) return 0;
  out = int16_t(uint16_t(getLE(b, 2)));
  return 1;
}

int FileSerializer::readUChar(unsigned char& out) {
  if (!open_) return 0;
  const int64_t start = position();
  unsigned char c;
  if (!readAll(&c, 1)) {
    setPosition(start);
    return 0;
  }
  out = c;
  return 1;
}

int FileSerializer::readChar(char& out) {
  unsigned char c;
  if (!readUChar(c)) return 0;
  out = static_cast<char>(c);
  return 1;
}

int FileSerializer::readDouble(double& out) {
  unsigned char b[8];
  if (!readTagged('d', b, 8)) return 0;
  const uint64_t bits = getLE(b, 8);
  std::memcpy(&out, &bits, 8);
  return 1;
}

int FileSerializer::readBinary(void* buffer, int n) {
  if (n < 0 || (n > 0 && !buffer)) return 0;
  // Read into a scratch buffer so a short file leaves the caller's untouched.
  std::vector<unsigned char> tmp(static_cast<std::size_t>(n));
  if (!readTagged('b', tmp.data(), tmp.size())) return 0;
  if (n) std::memcpy(buffer, tmp.data(), tmp.size());
  return 1;
}

int FileSerializer::readObjectId(ZcDbObjectId& out) {
  unsigned char b[8];
  if (!readTagged('b', b, 8)) return 0;
  const uint32_t low = uint32_t(getLE(b, 8) & 0xFFFFFFFFu);
  out = (db_ && low != 0) ? db_->idOfHandle(low) : ZcDbObjectId::kNull;
  return 1;
}

int FileSerializer::readTextBytes(std::wstring& out) {
  if (!open_) return 0;
  const int64_t start = position();
  auto fail = [&] {
    setPosition(start);
    return 0;
  };
  int32_t n = 0;
  if (!readTag('c') || !readInt(n)) return fail();
  if (n < 0 || n > kMaxReadText) return fail();
  unsigned char bytes[kMaxReadText + 1];
  if (!readTagged('b', bytes, std::size_t(n) + 1)) return fail();
  // The bytes up to the first zero are the text; it must have n characters.
  const std::size_t len = strnlen(reinterpret_cast<const char*>(bytes), std::size_t(n) + 1);
  std::wstring text = host::fromAnsi(std::string(reinterpret_cast<const char*>(bytes), len));
  if (text.size() != std::size_t(n)) return fail();
  out = std::move(text);
  return 1;
}

int FileSerializer::readText(CString& out) { return readTextBytes(out); }
int FileSerializer::readZcString(ZcString& out) { return readTextBytes(out); }
