// A game page in headless Chromium, driven over the browser's remote-debugging pipe: the arrow
// keys step through the shots, and what is shown (the shot, the score, the stones' colours at the
// shot's rest positions in a screenshot) matches the record the page was built from. The program
// exits with 77 (skipped) when Chromium is not installed.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <png.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <stdexcept>
#include <thread>

#include "process_support.h"

namespace Match {
namespace {

using nlohmann::json;
using namespace Testing;

constexpr const char* kChromium = "/usr/bin/chromium";
const std::string kFixedRecord = std::string(MATCH_TEST_DATA_DIR) + "/two-ends.jsonl";
constexpr int kViewportWidth = 1200;
constexpr int kViewportHeight = 1100;

// Headless Chromium with the DevTools protocol on a pipe: commands go to its fd 3 and replies
// come from its fd 4, one JSON object each, ended by a NUL byte. The browser runs in a process
// group of its own with a new empty profile, and the group is killed on every way out.
class Browser {
 public:
  explicit Browser(const std::string& profile) {
    int toBrowser[2];
    int fromBrowser[2];
    if (pipe2(toBrowser, O_CLOEXEC) != 0 || pipe2(fromBrowser, O_CLOEXEC) != 0) {
      throw std::runtime_error("pipe");
    }
    pid_ = fork();
    if (pid_ == 0) {
      setpgid(0, 0);
      const int in = fcntl(toBrowser[0], F_DUPFD, 10);
      const int out = fcntl(fromBrowser[1], F_DUPFD, 10);
      if (in < 0 || out < 0 || dup2(in, 3) != 3 || dup2(out, 4) != 4) _exit(126);
      const int null = open("/dev/null", O_WRONLY);
      dup2(null, 1);
      dup2(null, 2);
      const std::string dataDir = "--user-data-dir=" + profile;
      execl(kChromium, kChromium, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
            "--no-first-run", "--disable-background-networking", "--disable-component-update",
            "--disable-sync", "--remote-debugging-pipe", dataDir.c_str(), "about:blank", nullptr);
      _exit(127);
    }
    close(toBrowser[0]);
    close(fromBrowser[1]);
    write_ = toBrowser[1];
    read_ = fromBrowser[0];
    if (pid_ < 0) throw std::runtime_error("fork");
  }
  ~Browser() {
    close(write_);
    close(read_);
    if (pid_ <= 0) return;
    kill(-pid_, SIGTERM);
    for (int i = 0; i < 50 && waitpid(pid_, nullptr, WNOHANG) == 0; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    // Whatever of the group is left; then the browser is reaped if it was not yet.
    kill(-pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  Browser(const Browser&) = delete;
  Browser& operator=(const Browser&) = delete;

  // Sends a command (to a page when `session` is given) and returns its result.
  json Call(const std::string& method, const json& params = json::object(),
            const std::string& session = "") {
    json command{{"id", ++lastId_}, {"method", method}, {"params", params}};
    if (!session.empty()) command["sessionId"] = session;
    const std::string text = command.dump() + '\0';
    if (write(write_, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
      throw std::runtime_error("cannot write to the browser");
    }
    while (true) {
      const json reply = NextMessage();
      if (!reply.contains("id") || reply["id"] != lastId_) continue;  // an event
      if (reply.contains("error")) throw std::runtime_error(method + ": " + reply.dump());
      return reply["result"];
    }
  }

 private:
  json NextMessage() {
    std::size_t end;
    while ((end = buffer_.find('\0')) == std::string::npos) {
      pollfd wait{read_, POLLIN, 0};
      if (poll(&wait, 1, 30000) != 1) throw std::runtime_error("the browser does not answer");
      char chunk[65536];
      const ssize_t n = read(read_, chunk, sizeof chunk);
      if (n <= 0) throw std::runtime_error("the browser closed its pipe");
      buffer_.append(chunk, static_cast<std::size_t>(n));
    }
    json message = json::parse(buffer_.substr(0, end));
    buffer_.erase(0, end + 1);
    return message;
  }

  pid_t pid_ = -1;
  int write_ = -1;
  int read_ = -1;
  int lastId_ = 0;
  std::string buffer_;
};

std::vector<std::uint8_t> Base64Decode(const std::string& text) {
  std::vector<std::uint8_t> bytes;
  unsigned bits = 0;
  int count = 0;
  for (char c : text) {
    const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const char* at = std::strchr(digits, c);
    if (c == '=' || at == nullptr) continue;
    bits = (bits << 6) | static_cast<unsigned>(at - digits);
    count += 6;
    if (count >= 8) {
      count -= 8;
      bytes.push_back(static_cast<std::uint8_t>(bits >> count));
    }
  }
  return bytes;
}

// RGBA pixels of a PNG image.
struct Picture {
  std::uint32_t width = 0;
  std::vector<std::uint8_t> rgba;
  const std::uint8_t* At(int x, int y) const { return &rgba[(y * width + x) * 4]; }
};

Picture DecodePng(const std::vector<std::uint8_t>& png) {
  Picture picture;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, png.data(), png.size())) return picture;
  image.format = PNG_FORMAT_RGBA;
  picture.rgba.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, picture.rgba.data(), 0, nullptr)) return {};
  picture.width = image.width;
  return picture;
}

TEST(GamePageInBrowser, ArrowKeysStepThroughTheShotsAsRecorded) {
  TempDir dir;
  MatchRun pages = RunMatchProgram(dir, {"summary", "--pictures", dir / "pages", kFixedRecord});
  ASSERT_EQ(pages.exitStatus, 0) << pages.err;
  const std::vector<json> record = ReadRecord(kFixedRecord);
  const std::vector<json> shots = OfType(record, "shot");
  ASSERT_EQ(shots.size(), 32u);

  TempDir profile;
  Browser browser(profile.path().string());
  const std::string target =
      browser.Call("Target.createTarget", {{"url", "about:blank"}})["targetId"];
  const std::string page =
      browser.Call("Target.attachToTarget", {{"targetId", target}, {"flatten", true}})["sessionId"];
  browser.Call("Emulation.setDeviceMetricsOverride",
               {{"width", kViewportWidth},
                {"height", kViewportHeight},
                {"deviceScaleFactor", 1},
                {"mobile", false}},
               page);
  auto evaluate = [&](const std::string& expression) {
    return browser.Call("Runtime.evaluate", {{"expression", expression}, {"returnByValue", true}},
                        page)["result"]["value"];
  };
  auto text = [&](const std::string& id) {
    return evaluate("document.getElementById('" + id + "').textContent").get<std::string>();
  };
  auto press = [&](const std::string& key, int times) {
    for (int i = 0; i < times; ++i) {
      browser.Call("Input.dispatchKeyEvent", {{"type", "keyDown"}, {"key", key}, {"code", key}},
                   page);
    }
  };
  browser.Call("Page.navigate", {{"url", "file://" + dir / "pages/game-01.html"}}, page);
  for (int i = 0; i < 100 && evaluate("document.readyState") != "complete"; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ASSERT_EQ(text("shot-title"), "End 1, shot 1 (1 of 32)");

  // Forward past the end of end 1, back into it, to the last shot and past it. The shot on show
  // and its score, as the fixed record has them.
  const struct {
    const char* key;
    int times;
    int shown;  // index of the shot on show afterwards
    const char* title;
    const char* score;
  } steps[] = {
      {"ArrowRight", 5, 5, "End 1, shot 6 (6 of 32)",
       "side 0 (A) 0, side 1 (B) 0; end 1: side 1 lies 2"},
      {"ArrowRight", 12, 17, "End 2, shot 2 (18 of 32)",
       "side 0 (A) 1, side 1 (B) 0; end 2: side 1 lies 1"},
      {"ArrowLeft", 2, 15, "End 1, shot 16 (16 of 32)",
       "side 0 (A) 1, side 1 (B) 0; end 1: side 0 scores 1"},
      {"ArrowRight", 30, 31, "End 2, shot 16 (32 of 32)",
       "side 0 (A) 2, side 1 (B) 0; end 2: side 0 scores 1"},
      {"ArrowLeft", 1, 30, "End 2, shot 15 (31 of 32)",
       "side 0 (A) 1, side 1 (B) 0; end 2: side 0 lies 1"},
  };
  for (const auto& step : steps) {
    press(step.key, step.times);
    SCOPED_TRACE(step.title);
    EXPECT_EQ(text("shot-title"), step.title);
    EXPECT_EQ(text("score"), step.score);
    const json& shot = shots[step.shown];

    // Every stone in play after the shot, in its side's colour at its rest position.
    const json rect = evaluate(
        "JSON.parse(JSON.stringify(document.getElementById('sheet')."
        "getBoundingClientRect()))");
    const Picture picture = DecodePng(
        Base64Decode(browser.Call("Page.captureScreenshot", {{"format", "png"}}, page)["data"]));
    ASSERT_EQ(picture.width, static_cast<std::uint32_t>(kViewportWidth));
    const double scale = rect["width"].get<double>() / 475.0;  // pixels per centimetre
    const int shotIndex = shot["shot"].get<int>() - 1;
    const int side = shot["side"];
    int inPlay = 0;
    for (int slot = 0; slot < 16; ++slot) {
      const double x = shot["after"][slot][0];
      const double y = shot["after"][slot][1];
      if (x <= 0 && y <= 0) continue;
      ++inPlay;
      // The house at the top, the thrower's right on the right; sampled 9 cm below the centre,
      // clear of the stone's number.
      const int px = static_cast<int>(rect["left"].get<double>() + (4.75 - x) * 100 * scale);
      const int py = static_cast<int>(rect["top"].get<double>() + ((y - 2.75) * 100 + 9) * scale);
      const int owner = (slot - shotIndex) % 2 == 0 ? side : 1 - side;
      const std::uint8_t* p = picture.At(px, py);
      const int expected[2][3] = {{0xf2, 0xc2, 0x00}, {0xc6, 0x28, 0x28}};
      for (int c = 0; c < 3; ++c) {
        EXPECT_NEAR(p[c], expected[owner][c], 12) << "slot " << slot + 1 << " channel " << c;
      }
    }
    EXPECT_EQ(evaluate("document.querySelectorAll('#stones .stone').length"), inPlay);
  }

  // The buttons, the end selector, the score board's links and cells, and a link to a shot; the
  // selector follows the end on show. A link acts on the page's hashchange event, so the title is
  // awaited.
  const struct {
    const char* action;
    const char* title;
  } clicks[] = {
      {"document.querySelector('.scoreboard a[href=\"#end-2\"]').click()",
       "End 2, shot 1 (17 of 32)"},
      {"document.getElementById('prev').click()", "End 1, shot 16 (16 of 32)"},
      {"document.getElementById('next').click()", "End 2, shot 1 (17 of 32)"},
      {"location.hash = '#shot-20'", "End 2, shot 4 (20 of 32)"},
      {"{const s = document.getElementById('end-jump'); s.value = '1';"
       "s.dispatchEvent(new Event('change'))}",
       "End 1, shot 1 (1 of 32)"},
      {"document.querySelectorAll('.scoreboard tr')[2].cells[3].click()",
       "End 2, shot 1 (17 of 32)"},
  };
  for (const auto& click : clicks) {
    evaluate(click.action);
    for (int i = 0; i < 100 && text("shot-title") != click.title; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(text("shot-title"), click.title) << click.action;
    EXPECT_EQ(evaluate("document.getElementById('end-jump').value"), std::string(click.title, 4, 1))
        << click.action;
  }
}

}  // namespace
}  // namespace Match

int main(int argc, char** argv) {
  if (!std::filesystem::exists(Match::kChromium)) {
    std::cout << "chromium is not installed: skipped\n";
    return 77;
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
