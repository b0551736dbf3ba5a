// The benchmark's two data sets, the same on every run: a source and a removal text of n lines
// each, with CR LF line ends, half of the removal lines taken from the source in a scrambled order
// (7919 is prime to every n that is a power of ten), the other half new.
//
//   digits  random 11-digit numbers;
//   mixed   lines of 11 to 53 bytes: a Chinese name with an account number, an e-mail address, an
//           account number alone, or a name, an e-mail address and a short account number.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace varnel::bench {

enum class DataSet { kDigits, kMixed };

inline std::uint64_t Mix(std::uint64_t x) {
  x += 0x9E3779B97F4A7C15u;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9u;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBu;
  return x ^ (x >> 31);
}

// Draws numbers below a bound from one seed.
struct Draw {
  std::uint64_t state;
  std::uint64_t Below(std::uint64_t bound) {
    state = Mix(state);
    return state % bound;
  }
};

inline void AddDigits(std::string& line, Draw& draw, int count) {
  line += static_cast<char>('1' + draw.Below(9));
  for (int k = 1; k < count; ++k) {
    line += static_cast<char>('0' + draw.Below(10));
  }
}

inline void AddName(std::string& line, Draw& draw) {
  static constexpr std::string_view kSurnames[] = {
      "王", "李", "张", "刘", "陈", "杨", "黄", "赵", "吴",   "周",   "徐",   "孙",
      "马", "朱", "胡", "郭", "何", "高", "林", "罗", "欧阳", "司马", "诸葛", "上官"};
  static constexpr std::string_view kGiven[] = {
      "伟", "芳", "娜", "敏", "静", "丽", "强", "磊", "军", "洋", "勇", "艳", "杰", "娟", "涛",
      "明", "超", "英", "霞", "平", "刚", "桂", "华", "玉", "兰", "文", "斌", "鑫", "婷", "宇"};
  line += kSurnames[draw.Below(std::size(kSurnames))];
  for (std::uint64_t k = 0, given = 1 + draw.Below(2); k < given; ++k) {
    line += kGiven[draw.Below(std::size(kGiven))];
  }
}

inline void AddEmail(std::string& line, Draw& draw) {
  static constexpr std::string_view kDomains[] = {"qq.com",  "163.com",     "126.com",
                                                  "sina.cn", "foxmail.com", "example.com.cn"};
  for (std::uint64_t k = 0, letters = 4 + draw.Below(7); k < letters; ++k) {
    line += static_cast<char>('a' + draw.Below(26));
  }
  if (draw.Below(2) == 0) {
    AddDigits(line, draw, 1 + static_cast<int>(draw.Below(4)));
  }
  line += '@';
  line += kDomains[draw.Below(std::size(kDomains))];
}

// Line `index` of stream `stream`: the same for the same arguments.
inline void AddLine(std::string& text, DataSet data, std::uint64_t stream, std::uint64_t index) {
  Draw draw{stream * 0x100000000u + index};
  if (data == DataSet::kDigits) {
    text += std::to_string(10'000'000'000u + draw.Below(90'000'000'000u));
  } else {
    switch (draw.Below(4)) {
      case 0:
        AddName(text, draw);
        text += ' ';
        AddDigits(text, draw, 16 + static_cast<int>(draw.Below(4)));
        break;
      case 1:
        AddEmail(text, draw);
        break;
      case 2:
        AddDigits(text, draw, 16 + static_cast<int>(draw.Below(4)));
        break;
      default:
        AddName(text, draw);
        text += ',';
        AddEmail(text, draw);
        text += ',';
        AddDigits(text, draw, 10);
        break;
    }
  }
  text += "\r\n";
}

inline std::string SourceText(DataSet data, std::uint64_t n) {
  std::string text;
  for (std::uint64_t k = 0; k < n; ++k) {
    AddLine(text, data, 1, k);
  }
  return text;
}

// Even lines repeat source lines, odd lines are new.
inline std::string RemovalText(DataSet data, std::uint64_t n) {
  std::string text;
  for (std::uint64_t k = 0; k < n; ++k) {
    if (k % 2 == 0) {
      AddLine(text, data, 1, (k * 7919 + 12345) % n);
    } else {
      AddLine(text, data, 2, k);
    }
  }
  return text;
}

}  // namespace varnel::bench
