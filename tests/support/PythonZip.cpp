#include "support/PythonZip.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "support/ShellCommand.h"

extern char** environ;

void MakePythonZip(const std::filesystem::path& zip, const std::vector<PyZipMember>& members, PyZipLayout layout) {
  namespace fs = std::filesystem;
  const fs::path work = zip.parent_path() / (zip.filename().string() + ".src");
  fs::create_directories(work);
  std::string script =
      "import sys, zipfile\n"
      "class Pipe:\n"
      "    def __init__(self, f): self.f = f\n"
      "    def write(self, b): return self.f.write(b)\n"
      "    def flush(self): self.f.flush()\n"
      "out = open(sys.argv[1], 'wb')\n";
  const bool piped = layout == PyZipLayout::Streamed || layout == PyZipLayout::StreamedZip64;
  const bool zip64 = layout == PyZipLayout::Zip64 || layout == PyZipLayout::StreamedZip64;
  script += piped ? "z = zipfile.ZipFile(Pipe(out), 'w')\n" : "z = zipfile.ZipFile(out, 'w')\n";
  for (size_t i = 0; i < members.size(); ++i) {
    const PyZipMember& m = members[i];
    const fs::path data = work / std::to_string(i);
    std::ofstream(data, std::ios::binary).write(m.bytes.data(), static_cast<std::streamsize>(m.bytes.size()));
    script += "info = zipfile.ZipInfo(open(" + std::string("'") + (work / (std::to_string(i) + ".name")).string() +
              "', encoding='utf-8').read(), (2020, 5, 17, 12, 30, 0))\n";
    std::ofstream(work / (std::to_string(i) + ".name"), std::ios::binary) << m.name;
    script += std::string("info.compress_type = zipfile.") + (m.stored ? "ZIP_STORED" : "ZIP_DEFLATED") + "\n";
    if (m.mode) script += "info.create_system = 3\ninfo.external_attr = (0o100000 | " + std::to_string(m.mode) + ") << 16\n";
    if (!m.name.empty() && m.name.back() == '/') {
      script += "z.writestr(info, b'')\n";
      continue;
    }
    script += "with z.open(info, 'w', force_zip64=" + std::string(zip64 ? "True" : "False") +
              ") as f: f.write(open('" + data.string() + "', 'rb').read())\n";
  }
  script += "z.close()\nout.close()\n";
  const fs::path py = work / "make.py";
  std::ofstream(py) << script;
  int status = 0;
  RunCommand("python3 '" + py.string() + "' '" + zip.string() + "' 2>&1", status);
  ASSERT_EQ(status, 0) << "python3 could not write " << zip;
  fs::remove_all(work);
}

namespace {

int FreeLoopbackPort() {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  int port = 0;
  if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0)
    port = ntohs(a.sin_port);
  ::close(s);
  return port;
}

bool Accepts(int port) {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<uint16_t>(port));
  const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  ::close(s);
  return ok;
}

}  // namespace

LoopbackHttpServer::LoopbackHttpServer(const std::filesystem::path& folder) {
  port_ = FreeLoopbackPort();
  const std::string port = std::to_string(port_);
  const std::string dir = folder.string();
  std::vector<std::string> args = {"python3", "-m", "http.server", port, "--bind", "127.0.0.1", "--directory", dir};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  if (posix_spawnp(&pid, "python3", &actions, nullptr, argv.data(), environ) == 0) pid_ = pid;
  posix_spawn_file_actions_destroy(&actions);
  for (int i = 0; i < 100 && pid_ > 0 && !ready_; ++i) {
    ready_ = Accepts(port_);
    if (!ready_) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

LoopbackHttpServer::~LoopbackHttpServer() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  int status = 0;
  ::waitpid(pid_, &status, 0);
}

std::string LoopbackHttpServer::Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }
