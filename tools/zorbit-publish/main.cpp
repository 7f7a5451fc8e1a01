// The publisher as a program.
//
//   zorbit-publish --root DIR (--build DIR | --synthetic-mb N) [options]
//   zorbit-publish --generate DIR --synthetic-mb N [--synthetic-files M] [--seed S] [--studio PATH]
//
//   --guid GUID              version GUID (default: a new one)
//   --build DIR              the Studio build; with --synthetic-mb it is generated there
//   --like GUID              the build of the version GUID published in the root, with
//   --change PERCENT         this share of its files changed (default 5; seeded by --seed)
//   --synthetic-mb N         generate a build of N MiB (fractions allowed)
//   --synthetic-files M      in M files (default 64)
//   --seed S                 content seed (default 1)
//   --studio PATH            put this program in the build as ZorbitStudioBeta.exe
//   --launcher PATH          publish a copy of this launcher, stamped for the deployment
//   --launcher-version TEXT  its version text (default: the launcher's own)
//   --port N                 port of the hosts stamped and written to cdn.txt (default 8470)
//   --site-host HOST         install and base host (default www.qasite1.zorbit.localhost)
//   --content-host HOST      host written to cdn.txt (default cdn.qasite1.zorbit.localhost)
//   --no-current             leave the version file alone
//   --manifest-crlf          end manifest lines with CR LF
//   --level N                deflate level (default zlib's)
//   --jobs N                 packages zipped at once (default: one per core)
//
// Prints "guid <GUID>", with --like "changed <N> files", and one line per
// package on stdout.
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>

#include "changed_build.h"
#include "publisher.h"
#include "synthetic_build.h"

namespace {

namespace fs = std::filesystem;
using zorbit::publish::ChangedBuildOptions;
using zorbit::publish::PublishOptions;
using zorbit::publish::SyntheticBuildOptions;

int usage() {
    std::cerr << "usage: zorbit-publish --root DIR (--build DIR | --synthetic-mb N |\n"
                 "         --like GUID [--change PERCENT]) [--guid GUID]\n"
                 "         [--synthetic-files M] [--seed S] [--studio PATH] [--launcher PATH]\n"
                 "         [--launcher-version TEXT] [--port N] [--site-host HOST]\n"
                 "         [--content-host HOST] [--no-current] [--manifest-crlf] [--level N]\n"
                 "         [--jobs N]\n"
                 "       zorbit-publish --generate DIR --synthetic-mb N [--synthetic-files M]\n"
                 "         [--seed S] [--studio PATH]\n";
    return 2;
}

struct Arguments {
    PublishOptions publish;
    SyntheticBuildOptions synthetic;
    ChangedBuildOptions changed;
    double syntheticMb = 0;
    std::string generateOnly;
};

bool parse(int argc, char** argv, Arguments& arguments) {
    auto& publish = arguments.publish;
    auto& synthetic = arguments.synthetic;
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--no-current")
            publish.makeCurrent = false;
        else if (name == "--manifest-crlf")
            publish.manifestCrlf = true;
        else if (i + 1 >= argc)
            return false;
        else {
            const std::string value = argv[++i];
            if (name == "--root")
                publish.root = value;
            else if (name == "--guid")
                publish.guid = value;
            else if (name == "--build")
                publish.buildFolder = value;
            else if (name == "--like")
                arguments.changed.guid = value;
            else if (name == "--change")
                arguments.changed.percent = std::atof(value.c_str());
            else if (name == "--generate")
                arguments.generateOnly = value;
            else if (name == "--synthetic-mb")
                arguments.syntheticMb = std::atof(value.c_str());
            else if (name == "--synthetic-files")
                synthetic.fileCount = std::strtoul(value.c_str(), nullptr, 10);
            else if (name == "--seed")
                synthetic.seed = std::strtoull(value.c_str(), nullptr, 10);
            else if (name == "--studio")
                synthetic.studioExecutable = value;
            else if (name == "--launcher")
                publish.launcherPath = value;
            else if (name == "--launcher-version")
                publish.launcherVersion = value;
            else if (name == "--port")
                publish.port = std::atoi(value.c_str());
            else if (name == "--site-host")
                publish.siteHost = value;
            else if (name == "--content-host")
                publish.contentHost = value;
            else if (name == "--level")
                publish.compressionLevel = std::atoi(value.c_str());
            else if (name == "--jobs")
                publish.jobs = static_cast<unsigned>(std::atoi(value.c_str()));
            else
                return false;
        }
    }
    synthetic.totalBytes = static_cast<uint64_t>(arguments.syntheticMb * 1024 * 1024);
    arguments.changed.root = publish.root;
    arguments.changed.seed = synthetic.seed;
    if (!arguments.generateOnly.empty()) return arguments.syntheticMb > 0;
    const int sources = !publish.buildFolder.empty() + (arguments.syntheticMb > 0) +
                        !arguments.changed.guid.empty();
    return !publish.root.empty() &&
           (sources == 1 || (sources == 2 && arguments.changed.guid.empty()));
}

std::string temporaryFolder() {
    std::string pattern = (fs::temp_directory_path() / "zorbit-synthetic-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
    return pattern;
}

int publish(Arguments& arguments) {
    std::string scratch;
    if (!arguments.changed.guid.empty() ||
        (arguments.syntheticMb > 0 && arguments.publish.buildFolder.empty()))
        arguments.publish.buildFolder = scratch = temporaryFolder();
    try {
        size_t changed = 0;
        if (!arguments.changed.guid.empty())
            changed = zorbit::publish::makeChangedBuild(scratch, arguments.changed).size();
        else if (arguments.syntheticMb > 0)
            zorbit::publish::generateSyntheticBuild(arguments.publish.buildFolder,
                                                    arguments.synthetic);
        const auto result = zorbit::publish::publishDeployment(arguments.publish);
        std::cout << "guid " << result.guid << "\n";
        if (!arguments.changed.guid.empty()) std::cout << "changed " << changed << " files\n";
        for (const auto& package : result.packages)
            std::cout << "package " << package.package << " files " << package.files << " bytes "
                      << package.contentBytes << " zip " << package.zipBytes << "\n";
        if (!result.launcherPath.empty())
            std::cout << "launcher " << result.launcherPath << " version " << result.launcherVersion
                      << "\n";
    } catch (...) {
        if (!scratch.empty()) fs::remove_all(scratch);
        throw;
    }
    if (!scratch.empty()) fs::remove_all(scratch);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Arguments arguments;
    if (!parse(argc, argv, arguments)) return usage();
    try {
        if (!arguments.generateOnly.empty()) {
            zorbit::publish::generateSyntheticBuild(arguments.generateOnly, arguments.synthetic);
            return 0;
        }
        return publish(arguments);
    } catch (const std::exception& e) {
        std::cerr << "zorbit-publish: " << e.what() << "\n";
        return 1;
    }
}
