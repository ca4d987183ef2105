// A scratch machine for the command line: drive C: is a scratch folder holding C:\Config and
// C:\Archive, the registry points the add-in at C:\Config, notes.ini is empty, and the CLI runs
// with that environment, its output kept in one file per run.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/SavedFiles.h"
#include "support/ScratchFolder.h"
#include "support/SettingsFiles.h"

#ifndef STOWLINE_CLI
#error "CliSandbox needs STOWLINE_CLI, the path of the stowline program"
#endif

namespace testsupport {

class CliSandbox {
public:
    CliSandbox() : scratch_("stowline-cli-") {
        std::filesystem::create_directories(Root() / "c/Config");
        std::filesystem::create_directories(Root() / "c/Archive");
        std::ofstream(Root() / "registry.reg", std::ios::binary) << RegistryFile("C:\\Config");
        std::ofstream(Root() / "notes.ini") << "";
    }

    std::filesystem::path Root() const { return scratch_.Host(); }
    // Where C:\ lies on the host.
    std::filesystem::path Drive() const { return Root() / "c"; }

    // Replaces C:\Config\Stowline.ini with `ini`, its lines ended by CRLF as the add-in writes.
    void WriteSettings(const std::string& ini) const {
        std::ofstream(Drive() / "Config/Stowline.ini", std::ios::binary | std::ios::trunc) << ini;
    }

    // Runs the CLI; `arguments` are split as the shell splits them. Answers the exit status.
    int Run(const std::string& arguments) const {
        const std::string command =
            Environment() + "'" STOWLINE_CLI "' " + arguments + " </dev/null >'" + OutputPath().string() + "' 2>&1";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // Starts the CLI with `arguments` as given, for a test that signals it while it runs.
    pid_t Start(const std::vector<std::string>& arguments) const {
        const pid_t pid = fork();
        if (pid == 0) {
            setenv("STOWLINE_DRIVE_C", Drive().c_str(), 1);
            setenv("STOWLINE_REGISTRY", (Root() / "registry.reg").c_str(), 1);
            setenv("NOTES_INI", (Root() / "notes.ini").c_str(), 1);
            const int in = open("/dev/null", O_RDONLY);
            const int out = open(OutputPath().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(in, 0);
            dup2(out, 1);
            dup2(out, 2);
            std::vector<char*> argv{const_cast<char*>(STOWLINE_CLI)};
            for (const auto& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(STOWLINE_CLI, argv.data());
            _exit(127);
        }
        return pid;
    }
    // The exit status of a started run, or minus the signal that ended it.
    static int Wait(pid_t pid) {
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    }

    // What the last run printed, standard output and errors together.
    std::string Output() const { return ReadFile(OutputPath()); }
    std::filesystem::path OutputPath() const { return Root() / "out.txt"; }

private:
    std::string Environment() const {
        return "STOWLINE_DRIVE_C='" + Drive().string() + "' STOWLINE_REGISTRY='" + (Root() / "registry.reg").string() +
               "' NOTES_INI='" + (Root() / "notes.ini").string() + "' ";
    }

    ScratchFolder scratch_;
};

}  // namespace testsupport
