// Real servers for the secure upload tests, each on a free loopback port for the life of the object, with
// keys and certificates made for it in a temporary folder: OpenSSH's sshd (key sign-in as the user running
// the test), a small paramiko SFTP server (password sign-in, scripted faults) and vsftpd (FTP over explicit
// or implicit TLS with a self-signed certificate, or plain FTP without active mode).
#pragma once

#include <netinet/in.h>
#include <pwd.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "integration/ftp_test_server.h"

namespace yarvelin::test {

// Runs a command line through the shell; throws when it fails.
inline void MustRun(const std::string& command) {
    if (std::system((command + " >/dev/null 2>&1").c_str()) != 0) {
        throw std::runtime_error("failed: " + command);
    }
}

// The first line a command prints.
inline std::string OutputOf(const std::string& command) {
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char line[512];
        if (std::fgets(line, sizeof line, p)) {
            out = line;
        }
        pclose(p);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) {
        out.pop_back();
    }
    return out;
}

inline int FreeLoopbackPort() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    if (s < 0 || bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&a), &size) != 0) {
        throw std::runtime_error("no free port");
    }
    close(s);
    return ntohs(a.sin_port);
}

inline bool Accepts(int port) {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    const bool ok = connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    close(s);
    return ok;
}

// A temporary folder with a "root" for uploads, and a child process that is stopped at the end.
class CServerProcess {
  public:
    CServerProcess() {
        char pattern[] = "/tmp/yarvelin-secure-XXXXXX";
        if (!mkdtemp(pattern)) {
            throw std::runtime_error("no temporary folder");
        }
        m_base = pattern;
        m_root = m_base / "root";
        std::filesystem::create_directory(m_root);
    }
    virtual ~CServerProcess() {
        Stop();
        std::error_code ignored;
        std::filesystem::remove_all(m_base, ignored);
    }
    CServerProcess(const CServerProcess&) = delete;
    CServerProcess& operator=(const CServerProcess&) = delete;

    int Port() const { return m_port; }
    const std::filesystem::path& Base() const { return m_base; }
    const std::filesystem::path& Root() const { return m_root; }
    std::string Log() const { return CFtpTestServer::ReadFile(m_base / "server.log"); }

    // Kills the server's session processes (its children, and theirs) at once, as a crash or a dead link
    // would: their connections close without a word, and the server goes on taking new ones.
    void DropSessions() const {
        std::vector<pid_t> parents = {m_pid};
        while (!parents.empty()) {
            const pid_t parent = parents.back();
            parents.pop_back();
            for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
                const std::string stat = CFtpTestServer::ReadFile(entry.path() / "stat");
                const std::size_t end = stat.rfind(')');  // "pid (name) state ppid ..."
                pid_t pid = 0;
                pid_t ppid = 0;
                char state = 0;
                if (end == std::string::npos || std::sscanf(stat.c_str(), "%d", &pid) != 1 ||
                    std::sscanf(stat.c_str() + end + 1, " %c %d", &state, &ppid) != 2 || ppid != parent) {
                    continue;
                }
                kill(pid, SIGKILL);
                parents.push_back(pid);
            }
        }
    }

    void Stop() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            int status = 0;
            waitpid(m_pid, &status, 0);
            m_pid = -1;
        }
    }

  protected:
    // Starts argv with its output in server.log and waits until the port takes connections.
    void Launch(const std::vector<std::string>& argv, const char* what) {
        const std::string log = (m_base / "server.log").string();
        m_pid = fork();
        if (m_pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlives a test that died
            std::freopen(log.c_str(), "w", stdout);
            std::freopen(log.c_str(), "a", stderr);
            std::vector<char*> args;
            for (const auto& a : argv) {
                args.push_back(const_cast<char*>(a.c_str()));
            }
            args.push_back(nullptr);
            execv(args[0], args.data());
            _exit(127);
        }
        for (int i = 0; i < 100; ++i) {
            if (Accepts(m_port)) {
                return;
            }
            int status = 0;
            if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        throw std::runtime_error(std::string(what) + " did not start: " + Log());
    }

    std::filesystem::path m_base;
    std::filesystem::path m_root;
    pid_t m_pid = -1;
    int m_port = 0;
};

// A user account of its own for a server test, as a hosting provider makes one (root only): its home is
// `home`, its password "secret". Removed again at the end.
class CThrowawayUser {
  public:
    explicit CThrowawayUser(const std::string& home) {
        static int count = 0;
        m_name = "yvt" + std::to_string(getpid()) + "x" + std::to_string(++count);
        MustRun("useradd -M -d " + home + " -s /bin/sh " + m_name);
        MustRun("echo " + m_name + ":secret | chpasswd");
    }
    ~CThrowawayUser() { std::system(("userdel -f " + m_name + " >/dev/null 2>&1").c_str()); }
    CThrowawayUser(const CThrowawayUser&) = delete;
    CThrowawayUser& operator=(const CThrowawayUser&) = delete;
    const std::string& Name() const { return m_name; }
    // Makes the folder (and those above it) and gives it to the user.
    void Own(const std::filesystem::path& folder) const { OwnAs(m_name, folder); }
    static void OwnAs(const std::string& name, const std::filesystem::path& folder) {
        std::filesystem::create_directories(folder);
        const passwd* pw = getpwnam(name.c_str());
        if (!pw || chown(folder.c_str(), pw->pw_uid, pw->pw_gid) != 0) {
            throw std::runtime_error("cannot give " + folder.string() + " to " + name);
        }
    }

  private:
    std::string m_name;
};

// How the account that signs in to sshd is set up.
enum class SshAccount {
    LaunchingUser,  // the user running the test, uploading by absolute paths into Root()
    Ordinary,       // an account of its own with a home folder, no chroot
    Chroot,         // locked into a folder (ChrootDirectory), its home "/files" inside
    StartFolder,    // locked in as above, and started in "/start" (ForceCommand internal-sftp -d /start)
};

// OpenSSH's sshd with its own host key and one authorized client key (of the given ssh-keygen type), for
// the account asked for. sshd keeps its defaults for the algorithms it accepts. relay: options of the
// fixture's SFTP relay (sftp_server.py --relay), which then stands between sshd and OpenSSH's sftp-server.
class CSshdTestServer : public CServerProcess {
  public:
    explicit CSshdTestServer(const std::string& clientKeyType = "ed25519") { Start(clientKeyType, {}); }
    explicit CSshdTestServer(SshAccount account, const std::string& relay = {}) : m_account(account) {
        Start("ed25519", relay);
    }
    ~CSshdTestServer() override {
        Stop();
        m_user.reset();
        std::error_code ignored;
        if (!m_jail.empty()) {
            std::filesystem::remove_all(m_jail, ignored);
        }
    }
    std::string HostKey() const { return (m_base / "host_key").string(); }
    std::string ClientKey() const { return (m_base / "client_key").string(); }
    static std::string User() {
        const passwd* pw = getpwuid(geteuid());
        return pw ? pw->pw_name : "root";
    }
    // The account the test signs in with.
    std::string Login() const { return m_user ? m_user->Name() : User(); }
    // The login folder as the server names it, and where it lies on this machine.
    const std::string& LoginFolder() const { return m_loginFolder; }
    const std::filesystem::path& LoginFolderOnDisk() const { return m_loginFolderOnDisk; }

  private:
    void Start(const std::string& clientKeyType, const std::string& relay) {
        m_port = FreeLoopbackPort();
        MustRun("ssh-keygen -q -t ed25519 -N '' -f " + HostKey());
        MustRun("ssh-keygen -q -t " + clientKeyType + " -N '' -f " + ClientKey());
        std::filesystem::copy_file(ClientKey() + ".pub", m_base / "authorized_keys");
        // sshd run by root wants its privilege separation folder, which only a running service creates.
        if (geteuid() == 0 && !std::filesystem::exists("/run/sshd")) {
            std::filesystem::create_directory("/run/sshd");
            chmod("/run/sshd", 0755);
        }
        std::string subsystem = "internal-sftp";
        if (!relay.empty()) {
            // Where the account can read it.
            std::filesystem::copy_file(std::string(YARVELIN_FIXTURES) + "/sftp_server.py",
                                       m_base / "sftp_relay.py");
            subsystem = "/usr/bin/python3 " + (m_base / "sftp_relay.py").string() +
                        " --relay /usr/lib/openssh/sftp-server " + relay;
        }
        std::string account;
        m_loginFolder = m_root.string();
        m_loginFolderOnDisk = m_root;
        if (m_account != SshAccount::LaunchingUser) {
            // The account reads its authorized key as itself (StrictModes is off).
            chmod(m_base.c_str(), 0711);
            chmod((m_base / "authorized_keys").c_str(), 0644);
        }
        if (m_account == SshAccount::Ordinary) {
            m_loginFolder = (m_base / "home").string();
            m_loginFolderOnDisk = m_base / "home";
            m_user = std::make_unique<CThrowawayUser>(m_loginFolder);
            m_user->Own(m_loginFolderOnDisk);
        } else if (m_account != SshAccount::LaunchingUser) {
            // sshd wants every folder up to the chroot owned by root and writable by nobody else: not /tmp.
            char pattern[] = "/run/yarvelin-jail-XXXXXX";
            if (!mkdtemp(pattern)) {
                throw std::runtime_error("no folder for the chroot");
            }
            m_jail = pattern;
            chmod(m_jail.c_str(), 0755);
            m_user = std::make_unique<CThrowawayUser>("/files");
            const bool start = m_account == SshAccount::StartFolder;
            m_loginFolder = start ? "/start" : "/files";
            m_loginFolderOnDisk = m_jail / m_loginFolder.substr(1);
            m_user->Own(m_jail / "files");
            m_user->Own(m_jail / "start");
            account = "ChrootDirectory " + m_jail.string() + "\nForceCommand internal-sftp" +
                      (start ? " -d /start" : "") + "\n";
        }
        const std::string config = (m_base / "sshd_config").string();
        CFtpTestServer::WriteFile(config, "ListenAddress 127.0.0.1:" + std::to_string(m_port) + "\nHostKey " +
                                              HostKey() + "\nAuthorizedKeysFile " +
                                              (m_base / "authorized_keys").string() +
                                              "\nPidFile none\nStrictModes no\nUsePAM no\n"
                                              "PasswordAuthentication no\nKbdInteractiveAuthentication no\n"
                                              "PermitRootLogin prohibit-password\n"
                                              "Subsystem sftp " +
                                              subsystem + "\nLogLevel ERROR\n" + account);
        Launch({"/usr/sbin/sshd", "-D", "-e", "-f", config}, "sshd");
    }

    SshAccount m_account = SshAccount::LaunchingUser;
    std::unique_ptr<CThrowawayUser> m_user;
    std::filesystem::path m_jail;
    std::string m_loginFolder;
    std::filesystem::path m_loginFolderOnDisk;

  public:
    // The host key's fingerprint as OpenSSH's own tool prints it ("SHA256:...").
    static std::string FingerprintOf(const std::string& publicKey) {
        return OutputOf("ssh-keygen -lf " + publicKey + " | cut -d' ' -f2");
    }
};

// The paramiko SFTP server of tests/fixtures: user "merchant", password "secret"; fault "drop=N".
class CSftpPasswordServer : public CServerProcess {
  public:
    explicit CSftpPasswordServer(const std::string& fault = {}) {
        MustRun("ssh-keygen -q -t ed25519 -N '' -f " + (m_base / "host_key").string());
        m_port = FreeLoopbackPort();
        const std::string script = std::string(YARVELIN_FIXTURES) + "/sftp_server.py";
        std::vector<std::string> argv = {"/usr/bin/python3", script,
                                         "--root",           m_root.string(),
                                         "--port",           std::to_string(m_port),
                                         "--host-key",       (m_base / "host_key").string()};
        if (!fault.empty()) {
            argv.push_back("--fault");
            argv.push_back(fault);
        }
        Launch(argv, "the SFTP test server (python3-paramiko)");
    }
};

// vsftpd for anonymous uploads into Root(). Tls: explicit (AUTH TLS required) or implicit, with a
// self-signed certificate made here; plain: no TLS and no active mode (PORT refused).
class CVsftpdTestServer : public CServerProcess {
  public:
    // LocalUser: plain FTP for an account of its own (User(), password "secret") whose home is Root(), as
    // hosting providers set vsftpd up; maxRate caps its uploads in bytes a second (0: none).
    enum class Mode { ExplicitTls, ImplicitTls, PlainPassiveOnly, LocalUser };
    explicit CVsftpdTestServer(Mode mode, int maxRate = 0) {
        m_port = FreeLoopbackPort();
        if (mode == Mode::LocalUser) {
            StartForLocalUser(maxRate);
            return;
        }
        std::string config = "listen=YES\nlisten_address=127.0.0.1\nlisten_port=" + std::to_string(m_port) +
                             "\nbackground=NO\nrun_as_launching_user=YES\nanonymous_enable=YES\n"
                             "no_anon_password=YES\nanon_root=" +
                             m_root.string() +
                             "\nwrite_enable=YES\nanon_upload_enable=YES\nanon_other_write_enable=YES\n"
                             "anon_umask=022\nascii_upload_enable=YES\nlocal_enable=YES\n"
                             "connect_from_port_20=NO\nseccomp_sandbox=NO\nxferlog_enable=NO\n"
                             "vsftpd_log_file=/dev/null\n";
        if (mode == Mode::PlainPassiveOnly) {
            config += "port_enable=NO\n";
        } else {
            MustRun("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost -keyout " +
                    (m_base / "key.pem").string() + " -out " + Certificate());
            config +=
                "ssl_enable=YES\nallow_anon_ssl=YES\nforce_anon_data_ssl=YES\nforce_anon_logins_ssl=YES\n"
                "rsa_cert_file=" +
                Certificate() + "\nrsa_private_key_file=" + (m_base / "key.pem").string() + "\n";
            if (mode == Mode::ImplicitTls) {
                config += "implicit_ssl=YES\n";
            }
        }
        const std::string path = (m_base / "vsftpd.conf").string();
        CFtpTestServer::WriteFile(path, config);
        Launch({"/usr/sbin/vsftpd", path}, "vsftpd");
    }
    ~CVsftpdTestServer() override {
        Stop();
        m_user.reset();
    }
    std::string User() const { return m_user ? m_user->Name() : std::string(); }
    std::string Certificate() const { return (m_base / "cert.pem").string(); }
    // "sha256//..." of the certificate's public key, worked out by openssl itself.
    std::string Pin() const {
        return "sha256//" +
               OutputOf("openssl x509 -in " + Certificate() +
                        " -pubkey -noout | openssl pkey -pubin -outform der | openssl dgst -sha256 "
                        "-binary | base64");
    }
    std::string Fingerprint() const {
        const std::string line =
            OutputOf("openssl x509 -in " + Certificate() + " -noout -fingerprint -sha256");
        return line.substr(line.find('=') + 1);
    }

  private:
    void StartForLocalUser(int maxRate) {
        // vsftpd signs local users in through PAM as root, and then serves as them.
        chmod(m_base.c_str(), 0711);
        m_user = std::make_unique<CThrowawayUser>(m_root.string());
        m_user->Own(m_root);
        const std::string path = (m_base / "vsftpd.conf").string();
        CFtpTestServer::WriteFile(
            path, "listen=YES\nlisten_address=127.0.0.1\nlisten_port=" + std::to_string(m_port) +
                      "\nbackground=NO\nanonymous_enable=NO\nlocal_enable=YES\nwrite_enable=YES\n"
                      "local_umask=022\npam_service_name=vsftpd\nsecure_chroot_dir=/run/vsftpd/empty\n"
                      "connect_from_port_20=NO\nseccomp_sandbox=NO\nxferlog_enable=NO\n"
                      "vsftpd_log_file=/dev/null\nlocal_max_rate=" +
                      std::to_string(maxRate) + "\n");
        std::filesystem::create_directories("/run/vsftpd/empty");
        Launch({"/usr/sbin/vsftpd", path}, "vsftpd");
    }

    std::unique_ptr<CThrowawayUser> m_user;
};

}  // namespace yarvelin::test
