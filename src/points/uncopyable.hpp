// Private base of the classes that hold a resource they must not share
// (a chain cursor, a file descriptor): copying is refused at compile time.
#pragma once

class Uncopyable {
 protected:
  Uncopyable() = default;
  ~Uncopyable() = default;

 public:
  Uncopyable(const Uncopyable&) = delete;
  Uncopyable& operator=(const Uncopyable&) = delete;
};
