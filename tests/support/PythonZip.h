#pragma once
// ZIP archives written by Python's zipfile module, an encoder independent of
// the program's reader, and a loopback HTTP server (python3 -m http.server)
// for download tests.
#include <filesystem>
#include <string>
#include <vector>

struct PyZipMember {
  std::string name;   // as stored; a name ending in "/" is a folder entry
  std::string bytes;
  bool stored = false;  // method 0 instead of deflate
  unsigned mode = 0;    // Unix permissions stored with the member (0: none)
};

enum class PyZipLayout {
  Plain,     // sizes in the local headers
  Streamed,  // written to a pipe: sizes only in data descriptors (flag bit 3)
  Zip64,     // every member with ZIP64 extra fields
  StreamedZip64,  // written to a pipe with ZIP64 extra fields: 8-byte sizes in the data descriptors
};

// Writes the archive; fails the calling test when python3 fails.
void MakePythonZip(const std::filesystem::path& zip, const std::vector<PyZipMember>& members,
                   PyZipLayout layout = PyZipLayout::Plain);

// Serves `folder` on 127.0.0.1 at a free port while the object lives.
class LoopbackHttpServer {
 public:
  explicit LoopbackHttpServer(const std::filesystem::path& folder);
  ~LoopbackHttpServer();
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;
  // "http://127.0.0.1:<port>/"
  std::string Url() const;
  bool Running() const { return ready_; }

 private:
  int pid_ = -1;
  int port_ = 0;
  bool ready_ = false;
};
