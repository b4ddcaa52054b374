// Output whose every write is checked. Standard output is a descriptor
// buffer installed under std::cout, so that a full disk or a reader that
// went away is noticed at once and ends the command with status 1 instead
// of being ignored; -o files are written to a temporary beside the target
// and renamed over it only when the whole output was written.
#ifndef KORVEL_TOOLS_OUTPUT_CHECKED_OUTPUT_H
#define KORVEL_TOOLS_OUTPUT_CHECKED_OUTPUT_H

#include <memory>
#include <ostream>
#include <streambuf>
#include <string>

namespace korvel::tool {

// A stream buffer over a file descriptor that remembers the first write
// error; once failed it accepts nothing more, so the stream's state turns
// bad and writers can stop early.
class DescriptorBuffer : public std::streambuf {
 public:
  explicit DescriptorBuffer(int descriptor);
  ~DescriptorBuffer() override;
  DescriptorBuffer(const DescriptorBuffer&) = delete;
  DescriptorBuffer& operator=(const DescriptorBuffer&) = delete;

  // 0 while every write succeeded, else the errno of the first failure.
  int error() const { return error_; }
  // Writes out what is buffered; false once any write failed.
  bool flushAll();

 protected:
  int_type overflow(int_type c) override;
  int sync() override;
  std::streamsize xsputn(const char* text, std::streamsize count) override;

 private:
  bool writeOut(const char* data, size_t size);

  int descriptor_;
  std::unique_ptr<char[]> buffer_;
  int error_ = 0;
};

// Puts a checked buffer under std::cout for the life of the object and
// makes a closed pipe an error result instead of a signal.
class CheckedStandardOutput {
 public:
  CheckedStandardOutput();
  ~CheckedStandardOutput();
  CheckedStandardOutput(const CheckedStandardOutput&) = delete;
  CheckedStandardOutput& operator=(const CheckedStandardOutput&) = delete;

  // Flushes; on failure writes why on standard error (nothing for a reader
  // that went away, as pipelines expect) and returns false.
  bool finish();

 private:
  DescriptorBuffer buffer_;
  std::streambuf* saved_;
};

// A file written through a temporary in the same directory, renamed over
// `path` by commit(); without a successful commit the temporary is removed
// and whatever was at `path` stays as it was. A `path` that exists and is
// not a regular file (a device, a pipe) is written directly instead.
class ReplacingFile {
 public:
  explicit ReplacingFile(std::string path);
  ~ReplacingFile();
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  // False with a reason when the temporary could not be made.
  bool open(std::string* error);
  std::ostream& stream() { return *stream_; }
  // Flushes, closes and renames; false with a reason on any failure.
  bool commit(std::string* error);

 private:
  void discard();

  std::string path_;
  std::string target_;     // the regular file replaced (path_ with links resolved)
  std::string temporary_;  // empty when writing directly
  int descriptor_ = -1;
  std::unique_ptr<DescriptorBuffer> buffer_;
  std::unique_ptr<std::ostream> stream_;
};

// The text of an errno value.
std::string errorText(int error);

}  // namespace korvel::tool

#endif  // KORVEL_TOOLS_OUTPUT_CHECKED_OUTPUT_H
