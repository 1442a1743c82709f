// The two media the survey data is written to and read from.
//
// Points, tables and the project write themselves through GeltaroSerializer,
// so one piece of code serves:
//  - ResbufSerializer: a chain of typed values (the content of an XRecord);
//  - FileSerializer: a binary file where most values carry a one-byte tag.
//
// Every operation returns 1 on success and 0 on failure (peekMarker returns
// the marker, or -1). A read that fails leaves the read position where it
// was, so a caller may try another type.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "host/db/database.hpp"
#include "host/db/memory.hpp"
#include "host/db/resbuf.hpp"
#include "points/uncopyable.hpp"

using ZcString = std::wstring;
using CString = std::wstring;

class GeltaroSerializer {
 public:
  virtual ~GeltaroSerializer() = default;

  virtual int rewind() = 0;
  virtual int peekMarker() = 0;
  virtual int expectMarker(int32_t value) = 0;
  virtual int writeMarker(int32_t value) = 0;
  virtual int writeZcString(const ZcString& text) = 0;
  // Written as the int 0 or 1.
  virtual int writeBool(bool value);
  virtual int writeObjectId(const ZcDbObjectId& id) = 0;
  virtual int writeShort(int16_t value) = 0;
  virtual int writeUChar(unsigned char value) = 0;
  virtual int writeChar(char value) = 0;
  virtual int writeDouble(double value) = 0;
  // n bytes from data; n < 0, or data null with n > 0, fails.
  virtual int writeBinary(const void* data, int n) = 0;
  virtual int writeInt(int32_t value) = 0;
  // A zero-terminated wide string; null fails.
  virtual int writeText(const wchar_t* text) = 0;
  virtual int writeLong(int32_t value) = 0;

  virtual int readZcString(ZcString& out) = 0;
  // Reads an int; only 0 and 1 are accepted (anything else fails, leaves
  // the position and `out` unchanged).
  virtual int readBool(bool& out);
  virtual int readObjectId(ZcDbObjectId& out) = 0;
  virtual int readUChar(unsigned char& out) = 0;
  virtual int readChar(char& out) = 0;
  virtual int readDouble(double& out) = 0;
  // Exactly n bytes into buffer (which holds at least n bytes).
  virtual int readBinary(void* buffer, int n) = 0;
  virtual int readInt(int32_t& out) = 0;
  virtual int readText(CString& out) = 0;
  virtual int readShort(int16_t& out) = 0;
  virtual int readLong(int32_t& out) = 0;

  // Reading damaged data:
  // whether nothing is left to read after the read position;
  virtual bool finDesDonnees() const = 0;
  // moves the read position to the next text value at or after it (where
  // the next table of a project begins): 1, or 0 when there is none or the
  // medium cannot tell where values begin (the position then stays).
  virtual int chercherTexte() { return 0; }

 protected:
  // The read position, so shared reads can give it back on failure.
  virtual int64_t position() const = 0;
  virtual void setPosition(int64_t pos) = 0;
};

// Holder of a resbuf chain: head (first value), tail (last value, where
// writes append) and cursor (next value to read, an index into the chain;
// the chain's size when everything was read).
class chaineResbuf : private Uncopyable {
 public:
  chaineResbuf() = default;
  explicit chaineResbuf(ResbufChain chain) { attach(std::move(chain)); }

  // Frees the chain held until now, holds `chain`, cursor at the head.
  void attach(ResbufChain chain);
  // Frees the whole chain.
  void release();
  // Gives the chain away (the holder is left empty).
  ResbufChain detach();

  void append(resbuf rb) { chain_.push_back(std::move(rb)); }
  // Room for n values in all (a writer that knows its size saves the copies
  // of a growing chain).
  void reserve(std::size_t n) { host::reserveLarge(chain_, n); }
  const ResbufChain& chain() const { return chain_; }
  bool empty() const { return chain_.empty(); }
  const resbuf* head() const { return chain_.empty() ? nullptr : &chain_.front(); }
  const resbuf* tail() const { return chain_.empty() ? nullptr : &chain_.back(); }
  // The value under the cursor, null at the end.
  const resbuf* current() const { return cursor_ < chain_.size() ? &chain_[cursor_] : nullptr; }
  // The value at `index`, null past the end.
  const resbuf* at(std::size_t index) const { return index < chain_.size() ? &chain_[index] : nullptr; }
  std::size_t cursor() const { return cursor_; }
  void setCursor(std::size_t c) { cursor_ = c < chain_.size() ? c : chain_.size(); }

 private:
  ResbufChain chain_;
  std::size_t cursor_ = 0;
};

// Builds or walks the chain of a chaineResbuf it does not own.
class ResbufSerializer : public GeltaroSerializer, private Uncopyable {
 public:
  // Group codes of the values.
  static constexpr short kInt = 90;
  static constexpr short kLong = 91;
  static constexpr short kShort = 70;
  static constexpr short kChar = 280;
  static constexpr short kDouble = 40;
  static constexpr short kText = 300;
  static constexpr short kBinarySize = 92;
  static constexpr short kBinaryChunk = 310;
  static constexpr short kObjectId = 330;
  static constexpr int kChunkSize = 127;
  static constexpr int32_t kNoObject = -9999999;

  explicit ResbufSerializer(chaineResbuf* chain) : chain_(chain) {}

  int rewind() override;
  int peekMarker() override;
  int expectMarker(int32_t value) override;
  int writeMarker(int32_t value) override;
  int writeZcString(const ZcString& text) override;
  int writeObjectId(const ZcDbObjectId& id) override;
  int writeShort(int16_t value) override;
  int writeUChar(unsigned char value) override;
  int writeChar(char value) override;
  int writeDouble(double value) override;
  int writeBinary(const void* data, int n) override;
  int writeInt(int32_t value) override;
  int writeText(const wchar_t* text) override;
  int writeLong(int32_t value) override;

  int readZcString(ZcString& out) override;
  int readObjectId(ZcDbObjectId& out) override;
  int readUChar(unsigned char& out) override;
  int readChar(char& out) override;
  int readDouble(double& out) override;
  int readBinary(void* buffer, int n) override;
  int readInt(int32_t& out) override;
  int readText(CString& out) override;
  int readShort(int16_t& out) override;
  int readLong(int32_t& out) override;

  bool finDesDonnees() const override;
  int chercherTexte() override;

 protected:
  int64_t position() const override;
  void setPosition(int64_t pos) override;

 private:
  // The value under the cursor when it has the given type, else null.
  const resbuf* next(short type) const;
  void advance();
  int append(resbuf rb);

  chaineResbuf* chain_;
};

// A binary file of tagged values, little-endian:
//   int "i"+4 bytes, double "d"+8, short "s"+2, long "e"+int, bytes "b"+n,
//   text "c"+int n+"b"+n+1 bytes (Windows-1252, then a zero),
//   object id "b"+8 bytes (handle, see below), uchar/char and markers untagged.
//
// Object ids: a file lives outside any drawing, so an id is stored as the low
// 32 bits of its handle, sign-extended to 64 bits (0 for the null id). Reading
// turns it back into an id only when the serializer was given the database
// the ids belong to (ZcDbDatabase::idOfHandle); otherwise, or when no object
// has that handle, the read gives the null id (and succeeds).
//
// Texts: the writer refuses texts longer than kMaxWrittenText characters and
// texts holding a zero character (the reader could not give them back); the
// reader refuses texts longer than kMaxReadText characters.
class FileSerializer : public GeltaroSerializer, private Uncopyable {
 public:
  static constexpr int kMaxWrittenText = 1023;
  static constexpr int kMaxReadText = 255;

  // For writing the file is created or truncated, read-write; otherwise it
  // is opened read-only. `db` resolves object ids on reading (may be null).
  FileSerializer(const std::string& path, bool forWriting, const ZcDbDatabase* db = nullptr);
  ~FileSerializer() override;

  bool isOpen() const { return owned_; }

  int rewind() override;
  int peekMarker() override;
  int expectMarker(int32_t value) override;
  int writeMarker(int32_t value) override;
  int writeZcString(const ZcString& text) override;
  int writeObjectId(const ZcDbObjectId& id) override;
  int writeShort(int16_t value) override;
  int writeUChar(unsigned char value) override;
  int writeChar(char value) override;
  int writeDouble(double value) override;
  int writeBinary(const void* data, int n) override;
  int writeInt(int32_t value) override;
  int writeText(const wchar_t* text) override;
  int writeLong(int32_t value) override;

  int readZcString(ZcString& out) override;
  int readObjectId(ZcDbObjectId& out) override;
  int readUChar(unsigned char& out) override;
  int readChar(char& out) override;
  int readDouble(double& out) override;
  int readBinary(void* buffer, int n) override;
  int readInt(int32_t& out) override;
  int readText(CString& out) override;
  int readShort(int16_t& out) override;
  int readLong(int32_t& out) override;

  // (Untagged bytes may look like a tag: a text is not searched for.)
  bool finDesDonnees() const override;

 protected:
  int64_t position() const override;
  void setPosition(int64_t pos) override;

 private:
  int writeAll(const void* data, std::size_t n);
  // Exactly n bytes, else 0 (the position is then undefined: callers restore it).
  int readAll(void* data, std::size_t n);
  // Reads one byte; 1 when it is `tag`, else puts the position back.
  int readTag(char tag);
  int readTagged(char tag, void* data, std::size_t n);
  int writeTagged(char tag, const void* data, std::size_t n);
  int writeTextBytes(const std::wstring& text);
  int readTextBytes(std::wstring& out);

  int fd_ = -1;
  bool open_ = false;
  bool owned_ = false;
  const ZcDbDatabase* db_ = nullptr;
};
