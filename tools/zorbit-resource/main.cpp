// Reads or stamps the resource block of an executable.
//
//   zorbit-resource show FILE
//   zorbit-resource get FILE NAME
//   zorbit-resource stamp FILE NAME=VALUE...   (changes FILE in place)
//   zorbit-resource copy SOURCE TARGET NAME=VALUE...
#include <filesystem>
#include <iostream>

#include "platform/resource_block.h"

namespace {

int usage() {
    std::cerr << "usage: zorbit-resource show FILE\n"
                 "       zorbit-resource get FILE NAME\n"
                 "       zorbit-resource stamp FILE NAME=VALUE...\n"
                 "       zorbit-resource copy SOURCE TARGET NAME=VALUE...\n";
    return 2;
}

platform::ResourceTexts readOrFail(const std::string& file) {
    auto texts = platform::readResourceBlock(file);
    if (!texts) throw std::runtime_error(file + " has no resource block");
    return *texts;
}

void stamp(const std::string& file, char** assignments, int count) {
    platform::ResourceTexts texts = readOrFail(file);
    for (int i = 0; i < count; ++i) {
        const std::string assignment = assignments[i];
        const size_t equals = assignment.find('=');
        if (equals == std::string::npos) throw std::runtime_error("not NAME=VALUE: " + assignment);
        texts[assignment.substr(0, equals)] = assignment.substr(equals + 1);
    }
    platform::stampResourceBlock(file, texts);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return usage();
    const std::string command = argv[1];
    try {
        if (command == "show") {
            for (const auto& [name, value] : readOrFail(argv[2]))
                std::cout << name << "=" << value << "\n";
        } else if (command == "get" && argc == 4) {
            const auto texts = readOrFail(argv[2]);
            auto it = texts.find(argv[3]);
            if (it == texts.end()) return 1;
            std::cout << it->second << "\n";
        } else if (command == "stamp") {
            stamp(argv[2], argv + 3, argc - 3);
        } else if (command == "copy" && argc >= 4) {
            std::filesystem::copy_file(argv[2], argv[3],
                                       std::filesystem::copy_options::overwrite_existing);
            stamp(argv[3], argv + 4, argc - 4);
        } else {
            return usage();
        }
    } catch (const std::exception& e) {
        std::cerr << "zorbit-resource: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
