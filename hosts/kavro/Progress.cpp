#include "Progress.h"

#include <algorithm>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace kavro {

namespace {

constexpr int kBarWidth = 30;

std::string OneDecimal(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

std::string TwoDecimals(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", value);
  return text;
}

}  // namespace

Progress::Progress(uint32_t total, bool bar, bool summary, std::FILE* out)
    : total_(total),
      bar_(bar),
      summary_(summary),
      out_(out),
      start_(std::chrono::steady_clock::now()),
      lastDraw_(start_) {}

double Progress::Seconds() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

std::string Progress::Bar(uint32_t done, uint32_t total, double seconds) {
  const int filled = total ? static_cast<int>(uint64_t{done} * kBarWidth / total) : kBarWidth;
  std::string line = "[" + std::string(filled, '#') + std::string(kBarWidth - filled, '.') + "] " +
                     std::to_string(done) + "/" + std::to_string(total) + " frames";
  if (done > 0 && seconds > 0) {
    const double fps = done / seconds;
    const int left = static_cast<int>((total - done) / fps + 0.5);
    line += "  " + OneDecimal(fps) + " fps  " + std::to_string(left / 60) + ":" + (left % 60 < 10 ? "0" : "") +
            std::to_string(left % 60) + " left";
  }
  return line;
}

std::string Progress::Summary(uint32_t done, double seconds) {
  return std::to_string(done) + " frames in " + TwoDecimals(seconds) + " s (" +
         OneDecimal(seconds > 0 ? done / seconds : 0.0) + " fps)";
}

void Progress::Update(uint32_t done) {
  if (!bar_) return;
  const auto now = std::chrono::steady_clock::now();
  if (done < total_ && now - lastDraw_ < std::chrono::milliseconds(100)) return;
  lastDraw_ = now;
  std::fprintf(out_, "\r%s\033[K", Bar(done, total_, Seconds()).c_str());
  std::fflush(out_);
}

void Progress::Clear() {
  if (bar_) std::fprintf(out_, "\r\033[K");
}

void Progress::Finish(uint32_t done) {
  Clear();
  if (summary_) std::fprintf(out_, "kavro: %s\n", Summary(done, Seconds()).c_str());
  std::fflush(out_);
}

bool Progress::StandardErrorIsTerminal() {
#if defined(_WIN32)
  return _isatty(_fileno(stderr)) != 0;
#else
  return isatty(fileno(stderr)) != 0;
#endif
}

}  // namespace kavro
