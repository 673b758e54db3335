// Saves the settings file over and over until it is killed, switching
// between two contents of very different sizes, so that a save cut short
// shows. "atomic" saves through the registry store; "in-place" rewrites the
// file where it lies, as a plain writer would (the durability test shows
// that this one tears).
#include <cstdio>
#include <cstring>

#include "registry_saver_contents.h"

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const bool inPlace = std::strcmp(argv[2], "in-place") == 0;
  for (unsigned round = 0;; ++round) {
    const abacine::platform::RegistryData& data = abacine::test::SaverContents(round % 2);
    if (inPlace) {
      std::FILE* file = std::fopen(argv[1], "w");
      if (file == nullptr) return 1;
      const std::string text = abacine::platform::FormatRegistryText(data);
      std::fwrite(text.data(), 1, text.size(), file);
      std::fclose(file);
    } else if (!abacine::test::SaveThroughRegistry(argv[1], data)) {
      return 1;
    }
  }
}
