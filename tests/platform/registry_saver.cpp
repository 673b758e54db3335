// Saves the settings file over and over until it is killed, switching
// between two contents of very different sizes, so that a save cut short
// shows. "atomic" saves through the registry store; "in-place" rewrites the
// file where it lies, as a plain writer would (the durability test shows
// that this one tears).
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "registry_saver_contents.h"

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const bool inPlace = std::strcmp(argv[2], "in-place") == 0;
  const std::string texts[2] = {abacine::platform::FormatRegistryText(abacine::test::SaverContents(0)),
                                abacine::platform::FormatRegistryText(abacine::test::SaverContents(1))};
  // Tells the test that saving starts now, so that its random pause falls
  // among the saves, not in the program's start-up.
  if (::write(STDOUT_FILENO, "r", 1) != 1) return 1;
  for (unsigned round = 0;; ++round) {
    if (inPlace) {
      std::FILE* file = std::fopen(argv[1], "w");
      if (file == nullptr) return 1;
      const std::string& text = texts[round % 2];
      std::fwrite(text.data(), 1, text.size(), file);
      std::fclose(file);
    } else if (!abacine::test::SaveThroughRegistry(argv[1], abacine::test::SaverContents(round % 2))) {
      return 1;
    }
  }
}
