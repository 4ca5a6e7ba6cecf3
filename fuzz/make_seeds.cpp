// Writes starting inputs that no third-party file provides: whole phone records, byte counts,
// profile texts and HTTP answers. Usage: make_seeds DIR; files go to DIR/phone_record,
// DIR/byte_size, DIR/profile_text and DIR/http_answer, which must exist.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "page/phone_info.h"

namespace {

bool WriteFile(const std::string& path, const void* bytes, size_t size) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool ok = std::fwrite(bytes, 1, size, file) == size;
  return std::fclose(file) == 0 && ok;
}

bool WritePhoneRecords(const std::string& dir) {
  bool ok = true;
  int n = 0;
  auto write = [&](const PhoneInfo& phone) {
    ok = WriteFile(dir + "/record" + std::to_string(n++), &phone, sizeof phone) && ok;
  };
  for (int32_t state : {0, 1, 2, 3, 4, 5, 6, -1}) {
    PhoneInfo phone = EmptyPhoneInfo();
    phone.state = state;
    SetFieldText(phone.brand, u"ABC");
    SetFieldText(phone.model, u"X1");
    SetFieldText(phone.defaultImageUrl, u"http://example.invalid/pic.png");
    phone.phoneTotalBytes = 8ull << 30;
    phone.phoneFreeBytes = 1610612736;
    phone.cardTotalBytes = 32ull << 30;
    phone.cardFreeBytes = 1649267441664ull;
    phone.batteryPercent = 75;
    phone.appCount = 12;
    write(phone);
  }
  PhoneInfo odd = EmptyPhoneInfo();
  odd.state = 1;
  for (char16_t& c : odd.brand) c = u'B';
  for (char16_t& c : odd.model) c = u'机';
  odd.phoneTotalBytes = 1000;
  odd.phoneFreeBytes = 1001;
  odd.cardFreeBytes = ~0ull;
  odd.batteryPercent = 150;
  write(odd);
  // Payloads shorter than a record.
  const uint8_t shortOne[] = {1, 0, 0, 0, 'A', 0};
  ok = WriteFile(dir + "/short", shortOne, sizeof shortOne) && ok;
  return ok;
}

bool WriteByteCounts(const std::string& dir) {
  const int64_t counts[] = {0,
                            512,
                            1000,
                            1024,
                            1536,
                            1048575,
                            1048576,
                            104899215,
                            6442450944,
                            1649267441664,
                            1099511627776LL * 12345,
                            -1,
                            INT64_MAX,
                            INT64_MIN};
  bool ok = true;
  std::vector<uint8_t> all;
  for (size_t i = 0; i < sizeof counts / sizeof counts[0]; ++i) {
    uint8_t bytes[8];
    for (int k = 0; k < 8; ++k) bytes[k] = static_cast<uint8_t>(static_cast<uint64_t>(counts[i]) >> (8 * k));
    ok = WriteFile(dir + "/count" + std::to_string(i), bytes, sizeof bytes) && ok;
    all.insert(all.end(), bytes, bytes + 8);
  }
  return WriteFile(dir + "/all", all.data(), all.size()) && ok;
}

bool WriteProfiles(const std::string& dir) {
  const std::string usual =
      "[M1]\r\nFixedPhoneModel=Model One\r\nImageUrl=http://pictures.invalid/m/pic.png\r\n"
      "ScreenCoordinate=12,34;56,78\r\n";
  const std::string texts[] = {
      usual,
      "[M1]\nScreenCoordinate= 12 , 34 ; 56 , 78 \n",
      "[M1]\nScreenCoordinate=12,34;56\n",
      "[M1]\nScreenCoordinate=12;34,56,78\n",
      "[M1]\nScreenCoordinate=1,2;3,4,5\nImageUrl=pic.png\n",
      "[M1]\nScreenCoordinate=a,b;c,d\nImageUrl=http://pictures.invalid/dir/\n",
      "[m1]\nfixedphonemodel=\"Quoted\"\nScreenCoordinate=-2147483649,99999999999;+5,-0\n[M2]\nImageUrl=x\n",
      "[CON]\nFixedPhoneModel=..\\..\\x\nImageUrl=http://p.invalid/a:b?c*d.png\n",
      "\xEF\xBB\xBF[\xE6\x89\x8B\xE6\x9C\xBA]\nFixedPhoneModel=\xE6\x89\x8B\xE6\x9C\xBA\n",
      "[\xCA\xD6\xBB\xFA]\nFixedPhoneModel=\xCA\xD6\xBB\xFA\n",
      "<html><body>404 Not Found</body></html>",
      "[M1]\nImageUrl=http://pictures.invalid/" + std::string(3000, 'p') + ".png\n",
  };
  bool ok = true;
  int n = 0;
  for (const std::string& text : texts)
    ok = WriteFile(dir + "/text" + std::to_string(n++), text.data(), text.size()) && ok;
  // The usual profile as UTF-16LE with its byte-order mark.
  std::string utf16 = "\xFF\xFE";
  for (char c : usual) {
    utf16 += c;
    utf16 += '\0';
  }
  return WriteFile(dir + "/utf16", utf16.data(), utf16.size()) && ok;
}

// Each answer behind the two bytes the harness reads first: its largest cap, pieces of five.
bool WriteHttpAnswers(const std::string& dir) {
  const std::string ok = "HTTP/1.1 200 OK\r\n";
  const std::string answers[] = {
      ok + "Content-Length: 5\r\nContent-Type: text/plain\r\n\r\nhello",
      "HTTP/1.0 200 OK\r\nConnection: close\r\n\r\n[Model]\r\nFixedPhoneModel=A\r\n",
      ok + "Transfer-Encoding: chunked\r\n\r\n3;x=1\r\nhel\r\n2\r\nlo\r\n0\r\nTrailer: t\r\n\r\n",
      "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 302 Found\r\nLocation: /pictures/a.png\r\nContent-Length: 0\r\n\r\n",
      ok + "Content-Encoding: gzip\r\nContent-Length: 2\r\n\r\nok",
  };
  bool written = true;
  int n = 0;
  for (const std::string& answer : answers) {
    const std::string input = std::string("\xFF\x04", 2) + answer;
    written = WriteFile(dir + "/answer" + std::to_string(n++), input.data(), input.size()) && written;
  }
  return written;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_seeds DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  const bool ok = WritePhoneRecords(dir + "/phone_record") && WriteByteCounts(dir + "/byte_size") &&
                  WriteProfiles(dir + "/profile_text") && WriteHttpAnswers(dir + "/http_answer");
  if (!ok) std::fprintf(stderr, "make_seeds: cannot write under %s\n", argv[1]);
  return ok ? 0 : 1;
}
