// Test helper: composes one mail and writes its text to a file.
// Usage: zq_compose INPUTS OUTPUT — INPUTS is a CP932 file: subject, from address, from name,
// recipients and attachments on the first five CR LF-ended lines, the body after them.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "sender/mail/MailComposition.h"

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  std::ifstream in(argv[1], std::ios::binary);
  const std::string all{std::istreambuf_iterator<char>(in), {}};
  zq::MailInputs inputs;
  std::string* fields[] = {&inputs.subject, &inputs.fromAddress, &inputs.fromName,
                           &inputs.recipients, &inputs.attachments};
  std::size_t pos = 0;
  for (std::string* field : fields) {
    const std::size_t end = all.find("\r\n", pos);
    if (end == std::string::npos) return 2;
    field->assign(all, pos, end - pos);
    pos = end + 2;
  }
  inputs.body = all.substr(pos);
  zq::MailContext context;
  context.now = {2026, 12, 6, 0, 9, 5, 1, 540};
  context.processId = 1;
  context.sequence = 1;
  std::string text, error;
  if (!zq::ComposeMailText(inputs, context, text, &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  std::ofstream(argv[2], std::ios::binary) << text;
  return 0;
}
