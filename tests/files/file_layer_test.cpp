// SPDX-License-Identifier: MIT
// The file layer's rules, each once: what examineTarget refuses and where it
// leads, what a replaced file keeps and drops, that replacing grants no one
// a right the old file denied, and that no ending signal leaves a file.
// Run as root, which alone can set up another user's files.
#include "files/ending_signals.h"
#include "files/file_error.h"
#include "files/replaced_file.h"
#include "files/write_target.h"
#include "../file_rights.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <random>
#include <set>

#include <fcntl.h>
#include <grp.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace velmor::files {
namespace {

namespace fs = std::filesystem;
using Kind = WriteTarget::Kind;
using Identity = std::vector<unsigned>;  // a user, then the groups it is in: its own first
const Identity kRoot{0, 0}, kNobody{65534, 65534};

void writeFile(const fs::path& path, const std::string& text) { std::ofstream(path) << text; }
std::string readFile(const fs::path& path) { return {std::istreambuf_iterator<char>(std::ifstream(path).rdbuf()), {}}; }

void replace(const fs::path& path, std::string_view text)
{
    ReplacedFile replaced(path, path.filename());
    replaced.write(text);
    replaced.commit();
}

// Every name under `in`, at any depth, without following links.
std::set<std::string> entries(const fs::path& in)
{
    std::set<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(in)) names.insert(entry.path().lexically_relative(in));
    return names;
}

// Takes on `who` as the real and effective user and groups, so that access()
// judges as that user and files are made as that user would make them. The
// saved user stays root, which lets the process become root again.
bool become(const Identity& who)
{
    return setresuid(0, 0, 0) == 0 && setgroups(who.size() - 1, who.data() + 1) == 0 &&
           setresgid(who[1], who[1], 0) == 0 && setresuid(who[0], who[0], 0) == 0;
}

class FileLayerAsRoot : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(geteuid(), 0U) << "needs root: for chattr flags, mounts and other users' files";
        char name[] = "/tmp/velmor-files-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        fs::permissions(root_ = name, fs::perms(0755));
    }
    // Whatever a failed test left mounted, flagged or become goes first.
    void TearDown() override
    {
        EXPECT_TRUE(become(kRoot));
        run("umount -l full readonly cgroup 2>/dev/null; chattr -R -ia . 2>/dev/null; true");
        fs::remove_all(root_);
    }
    // Sets files up as a shell script would, in the scratch folder.
    void run(const std::string& script) const
    {
        EXPECT_EQ(std::system(("cd " + root_.string() + " && " + script).c_str()), 0) << script;
    }
    fs::path root_;
};

// Each row is a path and where examineTarget says it leads (a kind, and the
// descriptor or path), or why it refuses it (a stage and the reason: the
// product's own constant or an errno's text). Nothing is ever created.
TEST_F(FileLayerAsRoot, EachTargetLeadsWhereItShouldOrIsRefusedWithItsReason)
{
    const fs::path t = root_;
    run("mkdir folder frozen appending sticky closed full readonly && touch file immutable appended locked frozen/x "
        "appending/x sticky/theirs sticky/mine && chown 65534:65534 sticky/mine && chmod 1777 sticky && chmod 666 "
        "sticky/theirs && chmod 444 locked && mkfifo pipe && ln -s file link && ln -s loop loop && chattr +i immutable "
        "frozen && chattr +a appended appending && mount -t tmpfs -o nr_inodes=2 none full && touch full/taken && "
        "mount -t tmpfs none readonly && touch readonly/kept && mount -o remount,ro readonly && mkdir cgroup && "
        "mount -t cgroup2 none cgroup && ln -s ../file sticky/planted && chown -h 65534:65534 sticky/planted");
    ASSERT_EQ(mknod((t / "sock").c_str(), S_IFSOCK | 0666, 0), 0);
    // A file opened only for reading, an unnamed one, a pipe, and another
    // process's copies of them.
    int fds[4] = {open((t / "file").c_str(), O_RDONLY), open(t.c_str(), O_TMPFILE | O_RDWR, 0600)};
    EXPECT_EQ(pipe(fds + 2), 0);
    const pid_t holder = fork();
    if (holder == 0) _exit(prctl(PR_SET_PDEATHSIG, SIGKILL) + pause());
    const std::string theirs = "/proc/" + std::to_string(holder) + "/fd/", readOnly = std::to_string(fds[0]),
                      fd = std::to_string(fds[1]), pipeIn = std::to_string(fds[3]);

    // Where examineTarget leads `path` for `who`, or at which stage and why it refuses.
    const auto outcome = [](const std::string& path, const Identity& who) -> std::pair<std::string, std::string> {
        EXPECT_TRUE(become(who));
        try {
            const WriteTarget target = examineTarget(path, "'" + path + "'");
            if (target.kind == Kind::OpenDescriptor) return {"descriptor", std::to_string(target.descriptor)};
            return {target.kind == Kind::InPlace ? "in place" : "replaced", target.path};
        } catch (const FileError& e) {
            EXPECT_NE(std::string(e.what()).find("'" + path + "'"), std::string::npos) << e.what();
            return {e.stage() == Stage::Check ? "check" : e.stage() == Stage::Create ? "create" : "?", e.reason()};
        }
    };
    struct Row { std::string path, how, what; const Identity& as = kRoot; };
    const Row rows[] = {
        {t / "locked", "check", std::strerror(EACCES), kNobody},
        {t / "closed/new", "create", std::strerror(EACCES), kNobody},
        {t / "sticky/theirs", "check", refusal::kStickyFolder, kNobody},
        {t / "sticky/mine", "replaced", t / "sticky/mine", kNobody},
        {t / "sticky/planted", "check", std::strerror(EACCES)},
        {t / "file", "replaced", t / "file"},
        {t / "new", "replaced", t / "new"},
        {t / "link", "replaced", t / "file"},
        {t / "pipe", "in place", t / "pipe"},
        {"/dev/null", "in place", "/dev/null"},
        {"/dev/stdout", "descriptor", "1"},
        {"/dev/fd/" + fd, "descriptor", fd},
        {"/proc/self/fd/" + fd, "descriptor", fd},
        {"/proc/self/fd/", "check", refusal::kFolder},
        {"/proc/self/fd/99999999999", "check", refusal::kKernelFile},
        {"/proc/thread-self/fd/" + pipeIn, "descriptor", pipeIn},
        {theirs + pipeIn, "in place", theirs + pipeIn},
        {theirs + fd, "check", refusal::kUnnamedOpenFile},
        {"/proc/self/fd/" + readOnly, "check", std::strerror(EBADF)},
        {t / "folder", "check", refusal::kFolder},
        {t / "sock", "check", refusal::kSocket},
        {t / std::string(NAME_MAX + 1, 'n'), "check", std::strerror(ENAMETOOLONG)},
        {t / "file/x", "check", std::strerror(ENOTDIR)},
        {t / "missing/new", "create", std::strerror(ENOENT)},
        {t / "loop", "check", std::strerror(ELOOP)},
        {t / "immutable", "check", refusal::kImmutable},
        {t / "appended", "check", refusal::kAppendOnly},
        {t / "frozen/x", "check", refusal::kFolderImmutable},
        {t / "appending/new", "check", refusal::kFolderAppendOnly},
        {"/proc/version", "check", refusal::kKernelFile},
        {"/proc/self/environ", "check", refusal::kKernelFile},
        {"/sys/kernel/uevent_seqnum", "check", refusal::kKernelFile},
        {t / "cgroup/cgroup.procs", "check", refusal::kKernelFile},
        {t / "full/new", "create", std::strerror(ENOSPC)},
        {t / "readonly/kept", "check", std::strerror(EROFS)},
    };
    const std::set<std::string> before = entries(t);
    for (const auto& [path, how, what, as] : rows) EXPECT_EQ(outcome(path, as), std::pair(how, what)) << path;
    EXPECT_EQ(entries(t), before);
    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    for (const int descriptor : fds) close(descriptor);
}

// What a replacement keeps (mode, owner, group, access list, attributes, a
// hard link's old text) and drops (set-user-ID, set-group-ID, capabilities);
// its temporary file is gone when it is not committed; a new file gets what
// the folder gives any new file.
TEST_F(FileLayerAsRoot, AReplacedFileKeepsWhatItHadButSetIdBitsAndCapabilities)
{
    const fs::path file = root_ / "shared";
    run("printf old >shared && ln shared hard && chown 2001:3001 shared && chmod 6751 shared && mkdir team");
    test::setAccessList(file, "u::rwx,u:2002:rw-,g::r-x,g:3002:r--,m::rwx,o::--x");
    const std::string list = test::accessList(file);
    ASSERT_EQ(setxattr(file.c_str(), "user.tag", "x", 1, 0), 0) << std::strerror(errno);
    // CAP_NET_RAW, effective: like set-user-ID, never for the new content.
    const std::uint32_t capability[5] = {0x02000001, 1U << 13, 0, 0, 0};
    ASSERT_EQ(setxattr(file.c_str(), "security.capability", capability, sizeof capability, 0), 0);
    replace(file, "new");
    struct stat after {};
    ASSERT_EQ(stat(file.c_str(), &after), 0);
    EXPECT_EQ(std::tuple(after.st_uid, after.st_gid, after.st_mode & 07777), std::tuple(2001U, 3001U, 0771U));
    EXPECT_EQ(test::accessList(file), list);
    EXPECT_EQ(getxattr(file.c_str(), "user.tag", nullptr, 0), 1);
    EXPECT_EQ(getxattr(file.c_str(), "security.capability", nullptr, 0), -1);
    EXPECT_EQ(readFile(file) + "|" + readFile(root_ / "hard"), "new|old");
    // The temporary file's name, made from the target's, is cut to fit.
    replace(root_ / std::string(NAME_MAX, 'n'), "");

    // Past the size limit the write fails, and without a commit the target
    // stays as it was and nothing is left.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{}, lowered{64 * 1024, RLIM_INFINITY};
    ASSERT_EQ(prlimit(0, RLIMIT_FSIZE, &lowered, &limit), 0);
    try {
        replace(file, std::string(1 << 20, 'x'));
        ADD_FAILURE() << "written past the limit";
    } catch (const FileError& e) {
        EXPECT_EQ(std::pair(e.stage(), e.reason()), std::pair(Stage::Write, std::string(std::strerror(EFBIG))));
    }
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, SIG_DFL);
    EXPECT_EQ(readFile(file), "new");
    EXPECT_EQ(entries(root_), (std::set<std::string>{"shared", "hard", "team", std::string(NAME_MAX, 'n')}));

    // A new file gets the folder's default list, else the umask's mode.
    test::setAccessList(root_ / "team", "u::rwx,g::r-x,g:3002:rw-,m::rwx,o::rwx", ACL_TYPE_DEFAULT);
    const mode_t mask = umask(027);
    for (const char* folder : {"team", "."}) {
        const fs::path plain = root_ / folder / "plain", made = root_ / folder / "made";
        writeFile(plain, "");
        replace(made, "");
        EXPECT_EQ(test::accessList(made), test::accessList(plain)) << folder;
        EXPECT_EQ(fs::status(made).permissions(), fs::status(plain).permissions()) << folder;
    }
    umask(mask);
}

// No ending signal that can be caught leaves the temporary files of the
// replacements in progress, also after their folder was renamed, nor removes
// a name that was taken; and each still ends the process. What SIGKILL
// leaves is named after its target. A replacement committed after the
// rename lands in the folder opened at the start.
TEST_F(FileLayerAsRoot, NoEndingSignalLeavesAnUnfinishedFile)
{
    const fs::path before = root_ / "before", after = root_ / "after";
    const std::set others = {SIGSTOP, SIGTSTP, SIGTTIN, SIGTTOU, SIGCONT, SIGCHLD, SIGURG, SIGWINCH, SIGPIPE, SIGXFSZ};
    // Whether the signal ends a process here: a sanitizer handles the faults itself, and qemu-user keeps the
    // last real-time signals for itself.
    const auto ends = [&others](int signalNumber) {
        struct sigaction previous {};
        int status = 0;
        const pid_t probe = others.contains(signalNumber) || sigaction(signalNumber, nullptr, &previous) != 0 ||
                                    previous.sa_handler != SIG_DFL ? -1 : fork();
        return probe == 0 ? (raise(signalNumber), _exit(0), false) : probe > 0 && waitpid(probe, &status, 0) == probe && WIFSIGNALED(status);
    };
    for (int signalNumber = 1; signalNumber <= SIGRTMAX; ++signalNumber) {
        if (!ends(signalNumber)) continue;
        run("rm -rf after && mkdir -p before && printf old >before/out");
        const pid_t child = fork();
        if (child == 0) {
            installEndingSignalCleanup();
            ReplacedFile first(before / "out", "out"), second(before / "new", "new"), third(before / "add", "add");
            UnfinishedFile taken(open(before.c_str(), O_RDONLY | O_DIRECTORY), "out");
            if (taken.create("out", O_WRONLY, 0600) >= 0 || errno != EEXIST) _exit(1);
            first.write(std::string(1 << 16, 'x'));
            fs::rename(before, after);
            second.commit();
            raise(signalNumber);
            _exit(0);
        }
        int status = -1;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signalNumber) << strsignal(signalNumber) << ": " << status;
        EXPECT_EQ(readFile(after / "out"), "old") << strsignal(signalNumber);
        std::set<std::string> left;  // each name cut where a temporary name's own part starts
        for (const std::string& name : entries(after)) left.insert(name.substr(0, 12));
        const std::set<std::string> named = {"new", "out"}, known = {".add.velmor-", ".out.velmor-", "new", "out"};
        EXPECT_EQ(left, signalNumber == SIGKILL ? known : named) << strsignal(signalNumber);
    }
}

// Replacing a file never grants any user or group a right the old file
// denied, whoever replaces it; and where the owner and group can be kept
// (by root, or by the owner in the group), every right stays as it was.
// Random owners, groups, modes and lists; the kernel's own access checks
// say who may do what, before and after.
TEST_F(FileLayerAsRoot, ReplacingGrantsNoRightTheOldFileDenied)
{
    // 2003 replaces; 2009 is named nowhere.
    constexpr unsigned kUsers[] = {2001, 2002, 2003, 2009}, kGroups[] = {3001, 3002, 3003, 3004};
    std::vector<Identity> identities;  // each user in each set of groups
    for (unsigned n = 0; n < 64; ++n) {
        identities.push_back({kUsers[n / 16], 3999});
        for (unsigned g = 0; g < 4; ++g)
            if (n >> g & 1) identities.back().push_back(kGroups[g]);
    }
    // Plain, set-group-ID with a group the replacing user may lack, and one
    // whose default list names users and groups.
    run("mkdir plain setgid defaults && chmod 777 plain defaults && chown 0:3001 setgid && chmod 2777 setgid");
    test::setAccessList(root_ / "defaults", "u::rwx,u:2001:rwx,u:2002:rwx,g::rwx,g:3002:rwx,m::rwx,o::rwx", ACL_TYPE_DEFAULT);

    std::mt19937 rng(31);
    const auto pick = [&rng](int n) { return static_cast<int>(rng() % n); };
    // Each right given three times in four, so that the least of several
    // entries still has some.
    const auto bits = [&pick] { return std::string{pick(4) ? 'r' : '-', pick(4) ? 'w' : '-', pick(4) ? 'x' : '-'}; };
    std::vector<fs::path> paths;
    std::vector<Identity> replacers;
    for (int n = 0; n < 400; ++n) {
        const unsigned owner = kUsers[pick(3)], group = kGroups[pick(4)];
        replacers.push_back(pick(3) ? identities[32 + pick(16)] : kRoot);  // 2003 in any groups, or root
        paths.push_back(root_ / std::array{"plain", "setgid", "defaults"}[pick(3)] / std::to_string(n));
        writeFile(paths.back(), "old");
        ASSERT_EQ(chown(paths.back().c_str(), owner, group), 0);
        std::string list = "u::" + bits() + ",g::" + bits() + ",o::" + bits();
        if (pick(3) != 0) {
            for (const char* named : {"u:2001:", "u:2002:", "u:2003:", "g:3001:", "g:3002:", "g:3003:", "g:3004:"})
                if (pick(3) == 0) list += std::string(",") + named + bits();
            list += ",m::" + bits();
        }
        test::setAccessList(paths.back(), list.c_str());
    }
    // What each identity may do with each file: read, write, run, as mode bits.
    const auto rights = [&] {
        std::string all;
        for (const Identity& who : identities) {
            EXPECT_TRUE(become(who));
            for (const fs::path& path : paths)
                all += static_cast<char>((access(path.c_str(), R_OK) == 0) * 4 + (access(path.c_str(), W_OK) == 0) * 2 +
                                         (access(path.c_str(), X_OK) == 0));
        }
        return all;
    };
    const std::string before = rights();
    std::vector<struct stat> old(paths.size());
    for (std::size_t n = 0; n < paths.size(); ++n) {
        ASSERT_EQ(stat(paths[n].c_str(), &old[n]), 0);
        ASSERT_TRUE(become(replacers[n]));
        replace(paths[n], "new");
    }
    const std::string after = rights();
    for (std::size_t n = 0; n < paths.size(); ++n) {
        const Identity& by = replacers[n];
        struct stat now {};
        ASSERT_EQ(stat(paths[n].c_str(), &now), 0);
        const bool groupKeepable = by[0] == 0 || std::find(by.begin() + 1, by.end(), old[n].st_gid) != by.end();
        const bool keepable = groupKeepable && (by[0] == 0 || by[0] == old[n].st_uid);
        SCOPED_TRACE(paths[n].string() + " replaced by " + ::testing::PrintToString(by));
        EXPECT_TRUE(!groupKeepable || now.st_gid == old[n].st_gid) << "the group could have been kept";
        EXPECT_TRUE(!keepable || (now.st_uid == old[n].st_uid && now.st_mode == old[n].st_mode)) << "it could be kept";
        for (std::size_t i = 0; i < identities.size(); ++i) {
            const int was = before[i * paths.size() + n], is = after[i * paths.size() + n];
            // The new owner may give itself any right anyway.
            const bool newOwner = identities[i][0] == now.st_uid && now.st_uid != old[n].st_uid;
            EXPECT_TRUE(newOwner || (keepable ? is == was : !(is & ~was)))
                << ::testing::PrintToString(identities[i]) << " may " << is << ", could " << was;
        }
    }
}

}  // namespace
}  // namespace velmor::files
