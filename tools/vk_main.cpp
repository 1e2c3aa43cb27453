// vk: the distributor's and administrator's command.

#include <CLI/CLI.hpp>
#include <exception>
#include <iostream>

#include "platform/exception.h"
#include "tools/vk/command_error.h"
#include "tools/vk/commands.h"
#include "tools/vk/terminal_text.h"

int main(int argc, char** argv) {
  CLI::App app{"velmor-kit: build installation media, archives, INI files, registry and menu entries"};
  app.require_subcommand(1);
  vk::cli::AddMediaCommand(app);
  vk::cli::AddProgmanCommand(app);
  vk::cli::AddRegCommand(app);
  vk::cli::AddIniCommand(app);
  vk::cli::AddArchiveCommand(app);
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& help) {
    return app.exit(help);
  } catch (const CLI::CallForAllHelp& help) {
    return app.exit(help);
  } catch (const CLI::ParseError& error) {
    // Bad arguments are one line, like every other error.
    std::cerr << "vk: " << error.what() << " (see vk --help)\n";
    return error.get_exit_code();
  } catch (const vk::cli::CommandError& error) {
    std::cerr << "vk: " << error.what() << '\n';
    return error.ExitCode();
  } catch (const vk::platform::Exception& error) {
    // The system's own messages are Windows-1252 texts.
    std::cerr << "vk: " << vk::cli::Printable(error.what()) << '\n';
    return 1;
  } catch (const std::exception& error) {
    std::cerr << "vk: " << error.what() << '\n';
    return 1;
  }
  return 0;
}
