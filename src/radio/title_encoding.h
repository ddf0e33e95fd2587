// How a station's titles are read: UTF-8 when valid else Windows-1252 (Auto), or one encoding.
#pragma once

namespace tavelo {

enum class TitleEncoding { Auto, Utf8, Windows1252, Windows1251 };

}  // namespace tavelo
