#include "protocol/command_processor.h"

#include <ostream>
#include <utility>

#include "protocol/split_command.h"

namespace Protocol {

CommandProcessor::CommandProcessor(CommandHandler go, CommandHandler run)
    : table_(std::move(go), std::move(run)) {}

bool CommandProcessor::Handle(std::string_view text, Curling::EngineOutput& out) {
  const std::vector<std::string> tokens = SplitCommand(text);
  if (const CommandHandler* handler = table_.Find(tokens.front())) {
    keepRunning_ = (*handler)(tokens, state_, out);
  } else {
    out.log << "illegal command ";
    for (const std::string& token : tokens) out.log << token << " ";
    out.log << std::endl;
  }
  return keepRunning_;
}

}  // namespace Protocol
