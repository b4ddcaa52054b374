// Checked writes to standard output and to -o files.
#include "tools/output/checked_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <vector>

#include "tools/output/diagnostics.h"

namespace korvel::tool {

namespace {

constexpr size_t kBufferBytes = 64 * 1024;

}  // namespace

std::string errorText(int error) { return std::strerror(error); }

// The buffer is not zeroed: only what was put into it is written out.
DescriptorBuffer::DescriptorBuffer(int descriptor)
    : descriptor_(descriptor), buffer_(new char[kBufferBytes]) {
  setp(buffer_.get(), buffer_.get() + kBufferBytes);
}

DescriptorBuffer::~DescriptorBuffer() { flushAll(); }

bool DescriptorBuffer::writeOut(const char* data, size_t size) {
  while (size > 0 && error_ == 0) {
    ssize_t written = ::write(descriptor_, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      error_ = errno;
      break;
    }
    data += written;
    size -= static_cast<size_t>(written);
  }
  return error_ == 0;
}

bool DescriptorBuffer::flushAll() {
  size_t pending = static_cast<size_t>(pptr() - pbase());
  bool written = writeOut(pbase(), pending);
  setp(buffer_.get(), buffer_.get() + kBufferBytes);
  return written;
}

DescriptorBuffer::int_type DescriptorBuffer::overflow(int_type c) {
  if (!flushAll()) return traits_type::eof();
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  *pptr() = traits_type::to_char_type(c);
  pbump(1);
  return c;
}

int DescriptorBuffer::sync() { return flushAll() ? 0 : -1; }

std::streamsize DescriptorBuffer::xsputn(const char* text, std::streamsize count) {
  if (error_ != 0) return 0;
  size_t size = static_cast<size_t>(count);
  size_t room = static_cast<size_t>(epptr() - pptr());
  if (size <= room) {
    std::memcpy(pptr(), text, size);
    pbump(static_cast<int>(size));
    return count;
  }
  if (!flushAll()) return 0;
  if (size >= kBufferBytes) return writeOut(text, size) ? count : 0;
  std::memcpy(pptr(), text, size);
  pbump(static_cast<int>(size));
  return count;
}

CheckedStandardOutput::CheckedStandardOutput() : buffer_(STDOUT_FILENO) {
  // A reader that went away must end the writing at once: with SIGPIPE
  // ignored the write fails with EPIPE and the command stops.
  std::signal(SIGPIPE, SIG_IGN);
  std::cout.flush();
  saved_ = std::cout.rdbuf(&buffer_);
}

CheckedStandardOutput::~CheckedStandardOutput() {
  buffer_.flushAll();
  std::cout.rdbuf(saved_);
}

bool CheckedStandardOutput::finish() {
  std::cout.flush();
  if (buffer_.flushAll()) return true;
  if (buffer_.error() != EPIPE) diagnose("cannot write standard output: " + errorText(buffer_.error()));
  return false;
}

ReplacingFile::ReplacingFile(std::string path) : path_(std::move(path)) {}

ReplacingFile::~ReplacingFile() { discard(); }

bool ReplacingFile::open(std::string* error) {
  struct stat existing {};
  bool exists = ::stat(path_.c_str(), &existing) == 0;
  // A device, a pipe or a terminal cannot be replaced: it is written as it is.
  if (exists && !S_ISREG(existing.st_mode)) {
    descriptor_ = ::open(path_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (descriptor_ < 0) {
      *error = errorText(errno);
      return false;
    }
    buffer_ = std::make_unique<DescriptorBuffer>(descriptor_);
    stream_ = std::make_unique<std::ostream>(buffer_.get());
    return true;
  }
  // Through a symbolic link, the file it names is replaced, not the link.
  std::error_code ignored;
  std::string target = exists ? std::filesystem::canonical(path_, ignored).string() : path_;
  if (target.empty()) target = path_;
  target_ = target;
  size_t slash = target.find_last_of('/');
  std::string directory = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  std::string tail = slash == std::string::npos ? target : target.substr(slash + 1);
  std::string pattern = directory + "." + tail + ".korvel-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  descriptor_ = mkstemp(name.data());
  if (descriptor_ < 0) {
    *error = errorText(errno);
    return false;
  }
  temporary_ = name.data();
  // mkstemp makes the file private; give it the mode the file had, or the
  // one a new file gets.
  mode_t mask = umask(0);
  umask(mask);
  mode_t mode = exists ? existing.st_mode & 07777 : (0666 & ~mask);
  fchmod(descriptor_, mode);
  buffer_ = std::make_unique<DescriptorBuffer>(descriptor_);
  stream_ = std::make_unique<std::ostream>(buffer_.get());
  return true;
}

bool ReplacingFile::commit(std::string* error) {
  if (descriptor_ < 0) {
    *error = "not open";
    return false;
  }
  stream_->flush();
  bool written = buffer_->flushAll();
  int failure = written ? 0 : buffer_->error();
  if (written && ::close(descriptor_) != 0) failure = errno;
  if (written) descriptor_ = -1;
  if (failure == 0 && !temporary_.empty() && std::rename(temporary_.c_str(), target_.c_str()) != 0)
    failure = errno;
  if (failure != 0) {
    *error = errorText(failure);
    discard();
    return false;
  }
  temporary_.clear();
  return true;
}

void ReplacingFile::discard() {
  stream_.reset();
  buffer_.reset();
  if (descriptor_ >= 0) ::close(descriptor_);
  descriptor_ = -1;
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
  temporary_.clear();
}

}  // namespace korvel::tool
