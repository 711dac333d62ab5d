// SPDX-License-Identifier: MIT
// The file layer's rules, each once: what examineTarget refuses and where it
// leads, what a replaced file keeps and drops, that replacing grants no one
// a right the old file denied, and that no ending signal leaves a file.
// Run as root, which alone can set up another user's files.
#include "files/ending_signals.h"
#include "files/file_error.h"
#include "files/replaced_file.h"
#include "files/write_target.h"
#include "file_rights.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <csignal>
#include <cstring>
#include <fstream>
#include <functional>
#include <random>
#include <set>
#include <sstream>
#include <vector>

#include <fcntl.h>
#include <grp.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace velmor::files {
namespace {

namespace fs = std::filesystem;
using Kind = WriteTarget::Kind;
constexpr uid_t kNobody = 65534;

void writeFile(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

std::string readFile(const fs::path& path)
{
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

// Every name under `folder`, at any depth, without following links.
std::set<std::string> entries(const fs::path& folder, const fs::path& prefix = {})
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(prefix / entry.path().filename());
        if (!entry.is_symlink() && entry.is_directory()) names.merge(entries(entry.path(), prefix / entry.path().filename()));
    }
    return names;
}

// Runs `work` in a child process and returns its wait status.
int inChild(const std::function<int()>& work)
{
    const pid_t child = fork();
    if (child == 0) _exit(work());
    int status = -1;
    waitpid(child, &status, 0);
    return status;
}

// Takes on `uid` and `groups` (the first one the effective group) for the
// process, as a user logged in with them; false when it cannot.
bool becomeUser(uid_t uid, const std::vector<gid_t>& groups)
{
    return setgroups(groups.size(), groups.data()) == 0 && setresgid(groups[0], groups[0], groups[0]) == 0 &&
           setresuid(uid, uid, uid) == 0;
}

class FileLayerAsRoot : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(geteuid(), 0U) << "needs root: for chattr flags, mounts and other users' files";
        char name[] = "/tmp/velmor-files-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        root_ = name;
        ASSERT_EQ(chmod(name, 0755), 0);
    }
    // Whatever a failed test left mounted or flagged goes first.
    void TearDown() override
    {
        for (const fs::path& mounted : mounts_) umount2(mounted.c_str(), MNT_DETACH);
        for (const fs::path& flagged : flagged_) test::setInodeFlags(flagged, 0);
        fs::remove_all(root_);
    }
    fs::path root_;
    std::vector<fs::path> mounts_, flagged_;
};

// Each row is a path and where examineTarget says it leads (a kind, and the
// descriptor or path), or why it refuses it (a stage and the reason: the
// product's own constant or an errno's text). Nothing is ever created.
TEST_F(FileLayerAsRoot, EachTargetLeadsWhereItShouldOrIsRefusedWithItsReason)
{
    const fs::path t = root_;
    for (const char* folder : {"folder", "frozen", "appending", "sticky", "closed", "full", "readonly"})
        fs::create_directory(t / folder);
    for (const char* file : {"file", "immutable", "appended", "locked", "frozen/x", "appending/x", "sticky/theirs", "sticky/mine"})
        writeFile(t / file, "kept");
    ASSERT_EQ(chown((t / "sticky/mine").c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(chmod((t / "sticky").c_str(), 01777), 0);
    ASSERT_EQ(chmod((t / "sticky/theirs").c_str(), 0666), 0);
    ASSERT_EQ(chmod((t / "locked").c_str(), 0444), 0);
    ASSERT_EQ(mkfifo((t / "pipe").c_str(), 0666), 0);
    fs::create_symlink("file", t / "link");
    fs::create_symlink("loop", t / "loop");
    const int listening = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, (t / "sock").c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(bind(listening, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    for (const auto& [name, flag] : {std::pair{"immutable", FS_IMMUTABLE_FL}, {"appended", FS_APPEND_FL},
                                     {"frozen", FS_IMMUTABLE_FL}, {"appending", FS_APPEND_FL}}) {
        flagged_.push_back(t / name);
        test::setInodeFlags(t / name, flag);
    }
    // A disk whose every file is taken, and a read-only one.
    mounts_ = {t / "full", t / "readonly"};
    EXPECT_EQ(mount("velmor-test", (t / "full").c_str(), "tmpfs", 0, "size=64k,nr_inodes=2"), 0);
    writeFile(t / "full/taken", "");
    EXPECT_EQ(mount("velmor-test", (t / "readonly").c_str(), "tmpfs", 0, "size=64k"), 0);
    writeFile(t / "readonly/kept", "kept");
    EXPECT_EQ(mount("velmor-test", (t / "readonly").c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr), 0);
    // A file opened only for reading, a pipe, and another process's copies
    // of them, with the file deleted.
    const int readOnly = open((t / "file").c_str(), O_RDONLY | O_CLOEXEC);
    const int deleted = open((t / "deleted").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    unlink((t / "deleted").c_str());
    int pipeFds[2] = {-1, -1};
    EXPECT_EQ(pipe2(pipeFds, O_CLOEXEC), 0);
    const pid_t holder = fork();
    if (holder == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        pause();
        _exit(0);
    }
    const std::string theirs = "/proc/" + std::to_string(holder) + "/fd/";

    struct Row {
        std::string path;
        std::string reason;  // empty where the target is taken
        Stage stage = Stage::Check;
        Kind kind = Kind::Replaced;
        std::string leadsTo = {};  // the path, or the descriptor's number
        bool asNobody = false;
    };
    const auto own = [](int fd) { return std::to_string(fd); };
    const Row rows[] = {
        {t / "file", {}, {}, Kind::Replaced, t / "file"},
        {t / "new", {}, {}, Kind::Replaced, t / "new"},
        {t / "link", {}, {}, Kind::Replaced, t / "file"},
        {t / "pipe", {}, {}, Kind::InPlace, t / "pipe"},
        {"/dev/null", {}, {}, Kind::InPlace, "/dev/null"},
        {"/dev/stdout", {}, {}, Kind::OpenDescriptor, own(1)},
        {"/dev/fd/" + own(deleted), {}, {}, Kind::OpenDescriptor, own(deleted)},
        {"/proc/self/fd/" + own(deleted), {}, {}, Kind::OpenDescriptor, own(deleted)},
        {"/proc/thread-self/fd/" + own(pipeFds[1]), {}, {}, Kind::OpenDescriptor, own(pipeFds[1])},
        {theirs + own(pipeFds[1]), {}, {}, Kind::InPlace, theirs + own(pipeFds[1])},
        {theirs + own(deleted), refusal::kUnnamedOpenFile},
        {"/proc/self/fd/" + own(readOnly), std::strerror(EBADF)},
        {t / "folder", refusal::kFolder},
        {t / "sock", refusal::kSocket},
        {t / std::string(NAME_MAX + 1, 'n'), std::strerror(ENAMETOOLONG)},
        {t / "file/x", std::strerror(ENOTDIR)},
        {t / "missing/new", std::strerror(ENOENT), Stage::Create},
        {t / "loop", std::strerror(ELOOP)},
        {t / "immutable", refusal::kImmutable},
        {t / "appended", refusal::kAppendOnly},
        {t / "frozen/x", refusal::kFolderImmutable},
        {t / "appending/new", refusal::kFolderAppendOnly},
        {"/proc/version", refusal::kKernelFile},
        {"/proc/self/environ", refusal::kKernelFile},
        {"/sys/kernel/uevent_seqnum", refusal::kKernelFile},
        {t / "full/new", std::strerror(ENOSPC), Stage::Create},
        {t / "readonly/kept", std::strerror(EROFS)},
        {t / "locked", std::strerror(EACCES), Stage::Check, {}, {}, true},
        {t / "closed/new", std::strerror(EACCES), Stage::Create, {}, {}, true},
        {t / "sticky/theirs", refusal::kStickyFolder, Stage::Check, {}, {}, true},
        {t / "sticky/mine", {}, {}, Kind::Replaced, t / "sticky/mine", true},
    };
    const std::set<std::string> before = entries(t);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        const std::string shown = "'" + row.path + "'";
        if (row.asNobody) {
            EXPECT_TRUE(setegid(kNobody) == 0 && seteuid(kNobody) == 0);
        }
        try {
            const WriteTarget target = examineTarget(row.path, shown);
            EXPECT_EQ(row.reason, "") << "taken";
            EXPECT_EQ(target.kind, row.kind);
            EXPECT_EQ(target.kind == Kind::OpenDescriptor ? own(target.descriptor) : target.path.string(), row.leadsTo);
        } catch (const FileError& e) {
            EXPECT_EQ(e.reason(), row.reason);
            EXPECT_EQ(e.stage(), row.stage);
            EXPECT_NE(std::string(e.what()).find(shown), std::string::npos) << e.what();
        }
        EXPECT_TRUE(seteuid(0) == 0 && setegid(0) == 0);
    }
    EXPECT_EQ(entries(t), before);
    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    for (const int fd : {readOnly, deleted, pipeFds[0], pipeFds[1], listening}) close(fd);
}

// What a replacement keeps (mode, owner, group, access list, attributes, a
// hard link's old text) and drops (set-user-ID, set-group-ID, capabilities);
// its temporary file follows a folder renamed meanwhile, and is gone when it
// is not committed; a new file gets what the folder gives any new file.
TEST_F(FileLayerAsRoot, AReplacedFileKeepsWhatItHadButSetIdBitsAndCapabilities)
{
    const fs::path file = root_ / "shared", link = root_ / "hard";
    writeFile(file, "old");
    fs::create_hard_link(file, link);
    ASSERT_EQ(chown(file.c_str(), 2001, 3001), 0);
    ASSERT_EQ(chmod(file.c_str(), 06751), 0);
    test::setAccessList(file, "u::rwx,u:2002:rw-,g::r-x,g:3002:r--,m::rwx,o::--x");
    const std::string list = test::accessList(file);
    ASSERT_EQ(setxattr(file.c_str(), "user.tag", "x", 1, 0), 0) << std::strerror(errno);
    // CAP_NET_RAW, effective: like set-user-ID, never for the new content.
    const std::uint32_t capability[5] = {0x02000001, 1U << 13, 0, 0, 0};
    ASSERT_EQ(setxattr(file.c_str(), "security.capability", capability, sizeof capability, 0), 0);
    {
        ReplacedFile replaced(file, "shared");
        replaced.write(std::string_view("new"));
        replaced.commit();
    }
    struct stat after {};
    ASSERT_EQ(stat(file.c_str(), &after), 0);
    EXPECT_EQ(std::tuple(after.st_uid, after.st_gid, after.st_mode & 07777), std::tuple(2001U, 3001U, 0771U));
    EXPECT_EQ(test::accessList(file), list);
    char tag[4] = {};
    EXPECT_EQ(getxattr(file.c_str(), "user.tag", tag, sizeof tag), 1);
    EXPECT_EQ(getxattr(file.c_str(), "security.capability", nullptr, 0), -1);
    EXPECT_EQ(readFile(file), "new");
    EXPECT_EQ(readFile(link), "old");
    // The temporary file's name, made from the target's, is cut to fit.
    ReplacedFile(root_ / std::string(NAME_MAX, 'n'), "n").commit();
    fs::remove(root_ / std::string(NAME_MAX, 'n'));

    // Past the size limit the write fails, and without a commit the target
    // stays as it was and nothing is left.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlimit lowered{64 * 1024, limit.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &lowered), 0);
    try {
        ReplacedFile replaced(file, "shared");
        replaced.write(std::string(1 << 20, 'x'));
        ADD_FAILURE() << "written past the limit";
    } catch (const FileError& e) {
        EXPECT_EQ(std::pair(e.stage(), e.reason()), std::pair(Stage::Write, std::string(std::strerror(EFBIG))));
    }
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, SIG_DFL);
    EXPECT_EQ(readFile(file), "new");
    EXPECT_EQ(entries(root_), (std::set<std::string>{"shared", "hard"}));

    // The temporary file is made in the folder opened at the start.
    fs::create_directory(root_ / "project");
    {
        ReplacedFile replaced(root_ / "project/out", "out");
        fs::rename(root_ / "project", root_ / "moved");
        replaced.write(std::string_view("result"));
        replaced.commit();
    }
    EXPECT_EQ(entries(root_ / "moved"), std::set<std::string>{"out"});
    EXPECT_EQ(readFile(root_ / "moved/out"), "result");

    // A new file gets the folder's default list, else the umask's mode.
    test::setAccessList(root_ / "moved", "u::rwx,g::r-x,g:3002:rw-,m::rwx,o::rwx", ACL_TYPE_DEFAULT);
    const mode_t mask = umask(027);
    for (const char* folder : {"moved", "."}) {
        SCOPED_TRACE(folder);
        const fs::path plain = root_ / folder / "plain", made = root_ / folder / "made";
        close(open(plain.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666));
        ReplacedFile replaced(made, "made");
        replaced.commit();
        EXPECT_EQ(test::accessList(made), test::accessList(plain));
        EXPECT_EQ(fs::status(made).permissions(), fs::status(plain).permissions());
    }
    umask(mask);
}

// No ending signal that can be caught leaves the temporary files of the
// replacements in progress, also after their folder was renamed, and each
// still ends the process. What SIGKILL leaves is named after its target.
TEST_F(FileLayerAsRoot, NoEndingSignalLeavesAnUnfinishedFile)
{
    const fs::path before = root_ / "before", after = root_ / "after";
    fs::create_directory(before);
    writeFile(before / "out", "old");
    const std::set<int> notEnding = {SIGKILL, SIGSTOP, SIGTSTP, SIGTTIN, SIGTTOU, SIGCONT,
                                     SIGCHLD, SIGURG,  SIGWINCH, SIGPIPE, SIGXFSZ};
    for (int signalNumber = 1; signalNumber <= SIGRTMAX; ++signalNumber) {
        if ((notEnding.contains(signalNumber) && signalNumber != SIGKILL) || (signalNumber > SIGSYS && signalNumber < SIGRTMIN)) continue;
        SCOPED_TRACE(strsignal(signalNumber));
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const pid_t child = fork();
        if (child == 0) {
            // A sanitizer handles the faults itself: those are left to it.
            struct sigaction previous {};
            if (sigaction(signalNumber, nullptr, &previous) != 0 || previous.sa_handler != SIG_DFL) _exit(77);
            installEndingSignalCleanup();
            ReplacedFile first(before / "out", "out"), second(before / "new", "new");
            // A name that was taken is not this process's to remove.
            UnfinishedFile taken(open(before.c_str(), O_RDONLY | O_DIRECTORY), "out");
            if (taken.create("out", O_WRONLY, 0600) >= 0 || errno != EEXIST) _exit(1);
            first.write(std::string(1 << 16, 'x'));
            if (write(ready[1], "r", 1) != 1) _exit(1);
            pause();
            _exit(0);
        }
        close(ready[1]);
        char byte = 0;
        const bool started = read(ready[0], &byte, 1) == 1;
        close(ready[0]);
        fs::rename(before, after);
        if (started) kill(child, signalNumber);
        int status = -1;
        waitpid(child, &status, 0);
        std::set<std::string> left = entries(after);
        fs::rename(after, before);
        if (WIFEXITED(status) && WEXITSTATUS(status) == 77) continue;
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signalNumber) << "status " << status;
        EXPECT_EQ(readFile(before / "out"), "old");
        if (signalNumber == SIGKILL) {
            EXPECT_EQ(std::erase_if(left, [](const std::string& name) { return name.starts_with(".out.velmor-"); }), 1U);
            EXPECT_EQ(std::erase_if(left, [](const std::string& name) { return name.starts_with(".new.velmor-"); }), 1U);
            for (const auto& entry : fs::directory_iterator(before))
                if (entry.path().filename() != "out") fs::remove(entry);
        }
        EXPECT_EQ(left, std::set<std::string>{"out"});
    }
}

// Replacing a file never grants any user or group a right the old file
// denied, whoever replaces it; and where the owner and group can be kept
// (by root, or by the owner in the group), every right stays as it was.
// Random owners, groups, modes and lists; the kernel's own access checks
// say who may do what, before and after.
TEST_F(FileLayerAsRoot, ReplacingGrantsNoRightTheOldFileDenied)
{
    constexpr uid_t kUsers[] = {2001, 2002, 2003, 2009};  // 2003 replaces; 2009 is named nowhere
    constexpr gid_t kGroups[] = {3001, 3002, 3003, 3004};  // 3004 is 2003's own
    constexpr int kFiles = 400;
    struct Identity {
        uid_t uid;
        std::vector<gid_t> groups;
    };
    std::vector<Identity> identities;
    for (const uid_t uid : kUsers)
        for (unsigned in = 0; in < 16; ++in) {
            Identity who{uid, {3999}};
            for (unsigned g = 0; g < 4; ++g)
                if (in >> g & 1) who.groups.push_back(kGroups[g]);
            identities.push_back(who);
        }
    // Plain, and set-group-ID with a group the replacing user may lack.
    for (const char* folder : {"plain", "setgid"}) fs::create_directory(root_ / folder);
    ASSERT_EQ(chmod((root_ / "plain").c_str(), 0777), 0);
    ASSERT_EQ(chown((root_ / "setgid").c_str(), 0, 3001), 0);
    ASSERT_EQ(chmod((root_ / "setgid").c_str(), 02777), 0);

    std::mt19937 rng(31);
    const auto pick = [&rng](int n) { return static_cast<int>(rng() % n); };
    // Each right given three times in four, so that the least of several
    // entries still has some.
    const auto bits = [&pick] {
        return std::string{pick(4) ? 'r' : '-', pick(4) ? 'w' : '-', pick(4) ? 'x' : '-'};
    };
    struct Case {
        fs::path path;
        Identity replacer;
        bool groupKeepable, keepable;
    };
    std::vector<Case> cases;
    for (int n = 0; n < kFiles; ++n) {
        const uid_t owner = kUsers[pick(3)];
        const gid_t group = kGroups[pick(4)];
        Identity replacer{0, {0}};
        if (pick(3) != 0) {
            replacer = {2003, {3004}};
            for (const gid_t other : {3001, 3002})
                if (pick(2)) replacer.groups.push_back(other);
        }
        const fs::path path = root_ / (pick(2) ? "plain" : "setgid") / std::to_string(n);
        writeFile(path, "old");
        ASSERT_EQ(chown(path.c_str(), owner, group), 0);
        std::string list = "u::" + bits() + ",g::" + bits() + ",o::" + bits();
        if (pick(3) != 0) {
            for (const uid_t user : {2001, 2002, 2003})
                if (pick(3) == 0) list += ",u:" + std::to_string(user) + ":" + bits();
            for (const gid_t named : kGroups)
                if (pick(3) == 0) list += ",g:" + std::to_string(named) + ":" + bits();
            list += ",m::" + bits();
        }
        test::setAccessList(path, list.c_str());
        const bool inGroup = std::ranges::count(replacer.groups, group) > 0;
        const bool groupKeepable = replacer.uid == 0 || inGroup;
        cases.push_back({path, replacer, groupKeepable, groupKeepable && (replacer.uid == 0 || owner == replacer.uid)});
    }
    // What each identity may do with each file: read, write, run, as mode bits.
    const auto rights = [&] {
        std::vector<std::string> all;
        for (const Identity& who : identities) {
            int answer[2];
            EXPECT_EQ(pipe(answer), 0);
            const pid_t child = fork();
            if (child == 0) {
                if (!becomeUser(who.uid, who.groups)) _exit(1);
                for (const Case& c : cases) {
                    const char r = static_cast<char>('0' + (access(c.path.c_str(), R_OK) == 0 ? 4 : 0) +
                                                     (access(c.path.c_str(), W_OK) == 0 ? 2 : 0) +
                                                     (access(c.path.c_str(), X_OK) == 0 ? 1 : 0));
                    if (write(answer[1], &r, 1) != 1) _exit(1);
                }
                _exit(0);
            }
            close(answer[1]);
            std::string got;
            char part[256];
            for (ssize_t n; (n = read(answer[0], part, sizeof part)) > 0;) got.append(part, n);
            close(answer[0]);
            EXPECT_EQ(got.size(), std::size_t{kFiles}) << "user " << who.uid;
            got.resize(kFiles, '0');
            waitpid(child, nullptr, 0);
            all.push_back(got);
        }
        return all;
    };
    const std::vector<std::string> before = rights();
    std::vector<struct stat> old(kFiles);
    for (int n = 0; n < kFiles; ++n) {
        ASSERT_EQ(stat(cases[n].path.c_str(), &old[n]), 0);
        const int status = inChild([&] {
            if (!becomeUser(cases[n].replacer.uid, cases[n].replacer.groups)) return 1;
            ReplacedFile file(cases[n].path, "f");
            file.write(std::string_view("new"));
            file.commit();
            return 0;
        });
        ASSERT_EQ(status, 0) << cases[n].path;
    }
    const std::vector<std::string> after = rights();
    for (int n = 0; n < kFiles; ++n) {
        const Case& c = cases[n];
        SCOPED_TRACE(c.path.string() + " replaced by " + std::to_string(c.replacer.uid) + ", was " +
                     std::to_string(old[n].st_uid) + ":" + std::to_string(old[n].st_gid));
        struct stat now {};
        ASSERT_EQ(stat(c.path.c_str(), &now), 0);
        EXPECT_TRUE(!c.groupKeepable || now.st_gid == old[n].st_gid) << "the group could have been kept";
        if (c.keepable) {
            EXPECT_EQ(std::tuple(now.st_uid, now.st_gid, now.st_mode), std::tuple(old[n].st_uid, old[n].st_gid, old[n].st_mode));
        }
        for (std::size_t i = 0; i < identities.size(); ++i) {
            // The new owner may give itself any right anyway.
            if (identities[i].uid == now.st_uid && now.st_uid != old[n].st_uid) continue;
            const int was = before[i][n] - '0', is = after[i][n] - '0';
            EXPECT_EQ(is & ~was, 0) << "user " << identities[i].uid << " in " << ::testing::PrintToString(identities[i].groups)
                                    << " gained " << is << " over " << was;
            EXPECT_TRUE(!c.groupKeepable || now.st_gid == old[n].st_gid) << "the group could have been kept";
        if (c.keepable) {
                EXPECT_EQ(is, was) << "user " << identities[i].uid;
            }
        }
    }
}

}  // namespace
}  // namespace velmor::files
