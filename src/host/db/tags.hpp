// Tag level of the drawing database: DXF group codes and their values.
//
// Every object of a drawing keeps its content as the ordered list of its DXF
// tags (group code + value as text), packed in one buffer. Typed accessors of
// the entity classes read and change these tags; what no accessor knows is
// written back exactly as it was read.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace host {

// What a group code's value means.
enum class TagType : uint8_t { String, Double, Int16, Int32, Int64, Bool, Handle, Binary, Comment };

TagType tagType(int code);
inline bool isHandleCode(int code) {
  return code == 105 || (code >= 320 && code <= 369) || (code >= 390 && code <= 399) ||
         code == 480 || code == 481 || code == 1005;
}
// Codes of the X, Y, Z members of a point group: 10/20/30, 11/21/31, ... 1010/1020/1030.
inline bool isPointXCode(int code) {
  return (code >= 10 && code <= 18) || code == 110 || code == 111 || code == 112 ||
         (code >= 1010 && code <= 1013);
}

struct Tag {
  int code = 0;
  std::string value;  // text as in the file (UTF-8)

  double toDouble() const;
  long long toInt() const;
};
using Tags = std::vector<Tag>;

// Numbers as DXF files write them: shortest text that reads back exactly.
std::string formatDouble(double v);
// The same into a buffer of at least kDoubleTextMax bytes; returns its length.
constexpr std::size_t kDoubleTextMax = 40;
std::size_t formatDoubleInto(char* buffer, double v);
std::string formatHandle(uint64_t h);
uint64_t parseHandle(std::string_view text);  // 0 when not hexadecimal
double parseDouble(std::string_view text);    // atof-like: 0 when not a number
long long parseInt(std::string_view text);    // atoi-like: 0 when not a number

// Compact storage of a tag list: [code: 1 byte, or 0xFF and u16][length varint][bytes]...
class PackedTags {
 public:
  PackedTags() = default;
  explicit PackedTags(const Tags& tags) { assign(tags); }

  void assign(const Tags& tags);
  Tags unpack() const;
  bool empty() const { return data_.empty(); }
  size_t byteSize() const { return data_.size(); }
  const std::string& bytes() const { return data_; }
  void setBytes(std::string b) { data_ = std::move(b); }

  struct View {
    int code;
    std::string_view value;
  };
  class Iterator {
   public:
    Iterator(const char* p, const char* end) : p_(p), end_(end) { load(); }
    const View& operator*() const { return cur_; }
    const View* operator->() const { return &cur_; }
    Iterator& operator++() {
      p_ = next_;
      load();
      return *this;
    }
    // Where the tag starts and where the next one does, in the packed bytes.
    const char* start() const { return p_; }
    const char* next() const { return next_; }
    bool operator!=(const Iterator& o) const { return p_ != o.p_; }
    bool operator==(const Iterator& o) const { return p_ == o.p_; }

   private:
    void load();
    const char* p_;
    const char* end_;
    const char* next_ = nullptr;
    View cur_{0, {}};
  };
  Iterator begin() const { return Iterator(data_.data(), data_.data() + data_.size()); }
  Iterator end() const {
    return Iterator(data_.data() + data_.size(), data_.data() + data_.size());
  }

  // Replaces the packed bytes [from, to) by one tag (from == to inserts it).
  void replaceBytes(const char* from, const char* to, int code, std::string_view value);

  // Appends to a buffer being built (used by the reader to avoid a Tags copy).
  static void appendTo(std::string& buffer, int code, std::string_view value);

 private:
  std::string data_;
};

// Builds the packed tags of a new object directly: no list of tags, numbers
// formatted on the stack. Creating many entities (point blocks and their
// attributes) would otherwise allocate a string per value.
class PackedBuilder {
 public:
  explicit PackedBuilder(std::size_t reserve = 256) { data_.reserve(reserve); }
  PackedBuilder& add(int code, std::string_view value) {
    PackedTags::appendTo(data_, code, value);
    return *this;
  }
  PackedBuilder& addDouble(int code, double value);
  PackedBuilder& addPoint(int code, double x, double y, double z);
  PackedTags finish() {
    // Records live as long as the drawing: no room left unused for long.
    if (data_.capacity() - data_.size() > data_.size() / 4) data_.shrink_to_fit();
    PackedTags packed;
    packed.setBytes(std::move(data_));
    data_.clear();
    return packed;
  }

 private:
  std::string data_;
};

}  // namespace host
