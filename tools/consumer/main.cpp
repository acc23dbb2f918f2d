// Uses the installed headers and library both ways, the legacy component and the modern API; exits 0 on success.
#include <Blowfish.h>
#include <api/Envelope.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

int main() {
  constexpr std::string_view kText = "installed and found";
  const std::vector<std::uint8_t> data(kText.begin(), kText.end());

  const qx::Key key = qx::Key::text("consumer key");
  const std::vector<std::uint8_t> envelope = qx::seal(data, key, {.checksum = true, .compress = true});

  // The component must read what the API wrote.
  TBlowfish cipher(nullptr);
  cipher.Key = "consumer key";
  std::uint32_t length = 0;
  unsigned char* opened = cipher.Auto_Decipher(envelope.data(), static_cast<std::uint32_t>(envelope.size()), &length);
  const bool same = opened != nullptr && length == data.size() && std::memcmp(opened, data.data(), length) == 0;
  std::free(opened);
  if (!same || qx::open(envelope, key) != data) {
    std::fprintf(stderr, "consumer: round trip failed (code %d)\n", cipher.GetErrorCode());
    return 1;
  }
  std::printf("consumer: round trip through the installed qxenvelope ok (%zu-byte envelope)\n", envelope.size());
  return 0;
}
