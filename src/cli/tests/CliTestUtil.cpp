#include "CliTestUtil.h"

#include "CSoundFile.h"
#include "TestSupport.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace tavril::test {

namespace {

std::string Slurp(int fd)
{
    std::string s;
    char buf[4096];
    ssize_t n;
    while ((n = read(fd, buf, sizeof buf)) > 0) s.append(buf, static_cast<size_t>(n));
    return s;
}

} // namespace

CliResult RunCli(const std::vector<std::string>& args)
{
    CliResult r;
    FILE* out = std::tmpfile();  // removed by the system when closed
    FILE* err = std::tmpfile();
    if (!out || !err) return r;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fileno(out), 1);
        dup2(fileno(err), 2);
        std::vector<std::string> copy = args;
        copy.insert(copy.begin(), TAVRIL_CLI_PATH);
        std::vector<char*> argv;
        for (auto& a : copy) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    lseek(fileno(out), 0, SEEK_SET);
    lseek(fileno(err), 0, SEEK_SET);
    r.out = Slurp(fileno(out));
    r.err = Slurp(fileno(err));
    std::fclose(out);
    std::fclose(err);
    return r;
}

std::string WriteWav(const std::string& path, double rate, uint32_t channels, const std::vector<int16_t>& v)
{
    CSoundFile f;
    if (!f.Create(path, rate, channels, 16)) return path;
    if (!v.empty()) f.WriteFrames(v.data(), static_cast<uint32_t>(v.size() / channels), 16);
    f.Close();
    return path;
}

std::vector<int16_t> ReadSamples(const std::string& path)
{
    CSoundFile f;
    if (!f.Open(path)) return {};
    std::vector<int16_t> v(size_t(f.GetFrameCount()) * f.GetChannels());
    if (!v.empty()) f.ReadFrames(v.data(), f.GetFrameCount(), 16);
    return v;
}

std::string ReadText(const std::string& path)
{
    const auto b = ReadAll(path);
    return std::string(b.begin(), b.end());
}

ScratchSettings::ScratchSettings()
{
    char name[] = "/tmp/tavril-cli-settings-XXXXXX";
    if (mkdtemp(name)) m_dir = name;
    if (const char* old = std::getenv("XDG_CONFIG_HOME")) m_old = old;
    setenv("XDG_CONFIG_HOME", m_dir.c_str(), 1);
}

ScratchSettings::~ScratchSettings()
{
    m_old ? setenv("XDG_CONFIG_HOME", m_old->c_str(), 1) : unsetenv("XDG_CONFIG_HOME");
    std::error_code ec;
    if (!m_dir.empty()) std::filesystem::remove_all(m_dir, ec);
}

} // namespace tavril::test
