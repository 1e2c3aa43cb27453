#include "platform/progman_commands.h"

#include <cctype>

namespace vk::platform {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }

std::string Trim(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return std::string(text.substr(begin, end - begin));
}

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  std::vector<ProgmanCommand> Run() {
    while (position_ < text_.size()) {
      char c = text_[position_];
      if (IsBlank(c) || IsLineBreak(c)) {
        ++position_;
      } else if (c == '[') {
        ParseCommand();
      } else {
        SkipStrayText();
      }
    }
    return std::move(commands_);
  }

 private:
  bool AtEnd() const { return position_ >= text_.size() || IsLineBreak(text_[position_]); }

  std::size_t SkipBlanks(std::size_t at) const {
    while (at < text_.size() && IsBlank(text_[at])) ++at;
    return at;
  }

  // True when at (just after a ")") closes the command: blanks, "]", then
  // blanks and the end of the line or the next command. Sets end past "]".
  bool ClosesCommand(std::size_t at, std::size_t& end) const {
    at = SkipBlanks(at);
    if (at >= text_.size() || text_[at] != ']') return false;
    end = at + 1;
    std::size_t next = SkipBlanks(end);
    return next >= text_.size() || IsLineBreak(text_[next]) || text_[next] == '[';
  }

  // True when a "]" at at ends the command before its ")": the next
  // command starts right after it.
  bool EndsWithoutParenthesis(std::size_t at) const {
    std::size_t next = SkipBlanks(at + 1);
    return next < text_.size() && text_[next] == '[';
  }

  void Fail(ProgmanCommand& command, std::size_t start, std::string error) {
    command.error = std::move(error);
    command.text = std::string(text_.substr(start, position_ - start));
    commands_.push_back(std::move(command));
  }

  void SkipStrayText() {
    std::size_t start = position_;
    while (!AtEnd() && text_[position_] != '[') ++position_;
    ProgmanCommand command;
    Fail(command, start, "text outside a command");
  }

  void ParseCommand() {
    std::size_t start = position_;
    ProgmanCommand command;
    ++position_;  // "["
    std::size_t nameStart = position_;
    while (!AtEnd() && text_[position_] != '(' && text_[position_] != ']' &&
           text_[position_] != '[')
      ++position_;
    command.name = Trim(text_.substr(nameStart, position_ - nameStart));
    bool nameValid = !command.name.empty();
    for (char c : command.name)
      if (!std::isalnum(static_cast<unsigned char>(c))) nameValid = false;
    if (AtEnd() || text_[position_] == '[') {
      Fail(command, start, "missing \")]\"");
      return;
    }
    if (!nameValid) {
      SkipToCommandEnd();
      Fail(command, start, "no valid command name");
      return;
    }
    if (text_[position_] == ']') {  // [Reload]: a command without arguments
      ++position_;
      command.text = std::string(text_.substr(start, position_ - start));
      commands_.push_back(std::move(command));
      return;
    }
    ++position_;  // "("
    if (!ParseArguments(command, start)) return;
    command.text = std::string(text_.substr(start, position_ - start));
    commands_.push_back(std::move(command));
  }

  // Leaves a malformed command: up to and past the next "]" on the line.
  void SkipToCommandEnd() {
    while (!AtEnd()) {
      if (text_[position_++] == ']') return;
    }
  }

  bool ParseArguments(ProgmanCommand& command, std::size_t start) {
    std::string argument;
    bool quoted = false;
    // "()" has no arguments; "( )" neither.
    {
      std::size_t next = SkipBlanks(position_);
      std::size_t end = 0;
      if (next < text_.size() && text_[next] == ')' && ClosesCommand(next + 1, end)) {
        position_ = end;
        return true;
      }
    }
    while (true) {
      position_ = SkipBlanks(position_);
      if (!AtEnd() && text_[position_] == '"') {
        // A quoted argument runs to the next quote, whatever it holds.
        std::size_t close = position_ + 1;
        while (close < text_.size() && text_[close] != '"' && !IsLineBreak(text_[close])) ++close;
        if (close >= text_.size() || text_[close] != '"') {
          position_ = close;
          Fail(command, start, "unterminated quoted argument");
          return false;
        }
        argument = std::string(text_.substr(position_ + 1, close - position_ - 1));
        quoted = true;
        position_ = SkipBlanks(close + 1);
      } else {
        argument.clear();
        quoted = false;
      }
      // Unquoted text (or what follows a quoted argument) up to "," or the end.
      std::size_t textStart = position_;
      while (true) {
        if (AtEnd()) {
          Fail(command, start, "missing \")]\"");
          return false;
        }
        char c = text_[position_];
        std::size_t end = 0;
        if (c == ',') break;
        if (c == ')' && ClosesCommand(position_ + 1, end)) break;
        if (c == ']' && EndsWithoutParenthesis(position_)) {
          ++position_;
          Fail(command, start, "missing \")\"");
          return false;
        }
        ++position_;
      }
      std::string rest = Trim(text_.substr(textStart, position_ - textStart));
      if (quoted && !rest.empty()) {
        SkipToCommandEnd();
        Fail(command, start, "text after a quoted argument");
        return false;
      }
      command.arguments.push_back(quoted ? argument : rest);
      if (text_[position_] == ',') {
        ++position_;
        continue;
      }
      std::size_t end = 0;
      ClosesCommand(position_ + 1, end);
      position_ = end;
      return true;
    }
  }

  std::string_view text_;
  std::size_t position_ = 0;
  std::vector<ProgmanCommand> commands_;
};

}  // namespace

std::vector<ProgmanCommand> ParseProgmanCommands(std::string_view text) {
  return Parser(text).Run();
}

}  // namespace vk::platform
