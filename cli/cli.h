#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace mv::cli {

// Exit statuses of marvolen-cli.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;  // a write failed
constexpr int kExitRefused = 2;  // the input was refused; its message went to stderr

// Runs one marvolen-cli invocation; args exclude the program name. Everything the program prints
// goes to out (results) and err (messages, progress).
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The commands, each given the arguments after its name.
int formulaCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int regularCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int precursorCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int neutralLossCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int productCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int msnCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace mv::cli
