// Build-time helper for the picture pipeline.
//
//   arttool expand SOURCE.svg INCLUDE_DIR OUT.svg
//       Copies SOURCE to OUT, replacing every line that holds
//       <!--#include NAME--> with the contents of INCLUDE_DIR/NAME, so the
//       pictures can share gradients, textures and button styles.
//   arttool jpeg IN.png OUT.jpg [QUALITY]
//       Re-encodes a rendered picture as JPEG (the screens load some
//       backgrounds by ".jpg" names and expect JPEG data there).
#define SDL_MAIN_HANDLED
#include <SDL.h>
#include <SDL_image.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

namespace {

bool readFile(const std::string& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream ss;
    ss << in.rdbuf();
    out = ss.str();
    return true;
}

// Expands includes one level deep at a time, up to a small nesting limit, so
// a fragment may itself include another but a cycle cannot loop forever.
bool expand(const std::string& text, const std::string& incDir, int depth, std::string& out) {
    static const std::string open = "<!--#include ";
    static const std::string close = "-->";
    if (depth > 8) {
        std::cerr << "arttool: includes nested too deeply\n";
        return false;
    }
    std::size_t pos = 0;
    while (true) {
        std::size_t at = text.find(open, pos);
        if (at == std::string::npos) {
            out.append(text, pos, std::string::npos);
            return true;
        }
        std::size_t end = text.find(close, at);
        if (end == std::string::npos) {
            std::cerr << "arttool: unterminated include\n";
            return false;
        }
        out.append(text, pos, at - pos);
        std::string name = text.substr(at + open.size(), end - at - open.size());
        while (!name.empty() && name.back() == ' ')
            name.pop_back();
        if (name.empty() || name.find("..") != std::string::npos || name.find('/') != std::string::npos) {
            std::cerr << "arttool: bad include name '" << name << "'\n";
            return false;
        }
        std::string body;
        if (!readFile(incDir + "/" + name, body)) {
            std::cerr << "arttool: cannot read include " << incDir << "/" << name << "\n";
            return false;
        }
        if (!expand(body, incDir, depth + 1, out))
            return false;
        pos = end + close.size();
    }
}

int cmdExpand(const char* src, const char* incDir, const char* dst) {
    std::string text;
    if (!readFile(src, text)) {
        std::cerr << "arttool: cannot read " << src << "\n";
        return 1;
    }
    std::string out;
    if (!expand(text, incDir, 0, out))
        return 1;
    // Write beside the target and rename, so an interrupted build never
    // leaves a half-written file that looks up to date.
    std::string tmp = std::string(dst) + ".tmp";
    {
        std::ofstream o(tmp, std::ios::binary | std::ios::trunc);
        o << out;
        if (!o) {
            std::cerr << "arttool: cannot write " << tmp << "\n";
            return 1;
        }
    }
    if (std::rename(tmp.c_str(), dst) != 0) {
        std::cerr << "arttool: cannot rename " << tmp << " to " << dst << "\n";
        return 1;
    }
    return 0;
}

int cmdJpeg(const char* src, const char* dst, int quality) {
    SDL_Surface* img = IMG_Load(src);
    if (!img) {
        std::cerr << "arttool: cannot load " << src << ": " << IMG_GetError() << "\n";
        return 1;
    }
    // Flatten onto opaque black first: JPEG has no alpha channel.
    SDL_Surface* rgb = SDL_ConvertSurfaceFormat(img, SDL_PIXELFORMAT_RGB24, 0);
    SDL_FreeSurface(img);
    if (!rgb) {
        std::cerr << "arttool: cannot convert " << src << ": " << SDL_GetError() << "\n";
        return 1;
    }
    std::string tmp = std::string(dst) + ".tmp";
    int rc = IMG_SaveJPG(rgb, tmp.c_str(), quality);
    SDL_FreeSurface(rgb);
    if (rc != 0) {
        std::cerr << "arttool: cannot write " << tmp << ": " << IMG_GetError() << "\n";
        std::remove(tmp.c_str());
        return 1;
    }
    if (std::rename(tmp.c_str(), dst) != 0) {
        std::cerr << "arttool: cannot rename " << tmp << " to " << dst << "\n";
        return 1;
    }
    return 0;
}

void usage() {
    std::cerr << "usage: arttool expand SOURCE.svg INCLUDE_DIR OUT.svg\n"
                 "       arttool jpeg IN.png OUT.jpg [QUALITY]\n";
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::string(argv[1]) == "expand" && argc == 5)
        return cmdExpand(argv[2], argv[3], argv[4]);
    if (argc >= 2 && std::string(argv[1]) == "jpeg" && (argc == 4 || argc == 5)) {
        int quality = 92;
        if (argc == 5) {
            char* end = nullptr;
            long q = std::strtol(argv[4], &end, 10);
            if (!end || *end != '\0' || q < 1 || q > 100) {
                std::cerr << "arttool: quality must be 1..100\n";
                return 2;
            }
            quality = static_cast<int>(q);
        }
        return cmdJpeg(argv[2], argv[3], quality);
    }
    usage();
    return 2;
}
