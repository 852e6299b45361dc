#pragma once
// A subcommand of korvex-nr. Each lives in a file of its own and registers
// itself with the application in main.cpp through an `add...Command`
// function that creates its CLI11 subcommand and options.

namespace CLI {
class App;
}

namespace korvex::tool {

class Subcommand {
  public:
    explicit Subcommand(CLI::App* command) : command_(command) {}
    virtual ~Subcommand() = default;
    Subcommand(Subcommand const&) = delete;
    Subcommand& operator=(Subcommand const&) = delete;

    // Whether the command line named this subcommand.
    bool selected() const;
    // Runs after the command line was parsed; returns the exit status.
    virtual int run() = 0;

  private:
    CLI::App* command_;
};

}  // namespace korvex::tool
