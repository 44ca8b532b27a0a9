// Move text and best-line entries.
#include "frontend/move_text.h"

#include "engine/search/search.h"
#include "frontend/frontend.h"

namespace corvane {

char PromotionLetter(Byte code, PromotionText style) {
    switch (code % 10) {
    case 3: return 'r';
    case 4: return 'b';
    case 5: return 'n';
    default: return style == PromotionText::QueenBlank ? ' ' : 'q';
    }
}

int WriteMoveText(const FrontEnd& fe, Byte from, Byte to, Byte promotion, PromotionText style, char out[6]) {
    SquareName(fe, from, out);
    SquareName(fe, to, out + 2);
    int n = 4;
    if (promotion != 0) out[n++] = PromotionLetter(promotion, style);
    out[n] = '\0';
    return n;
}

LineMove ReadLineEntry(std::uint32_t entry) {
    LineMove m{};
    m.Flags = entry & 255;
    m.Mate = m.Flags == LineMateEntry;
    if (m.Mate) {
        m.MateMoves = entry >> 16;
        return m;
    }
    m.From = static_cast<Byte>(entry >> 24);
    m.To = static_cast<Byte>(entry >> 16);
    m.Promotion = (m.Flags & LineFlagPromotion) ? static_cast<Byte>((entry >> 12) & 15) : 0;
    m.Kind = static_cast<int>((entry >> 8) & 15) % 10 + 1;
    return m;
}

std::uint32_t MoveLineEntry(Byte from, Byte to, Byte promotion) {
    std::uint32_t entry = (static_cast<std::uint32_t>(from) << 24) + (static_cast<std::uint32_t>(to) << 16);
    if (promotion != 0) entry += (static_cast<std::uint32_t>(promotion & 15) << 12) + LineFlagPromotion;
    return entry;
}

}  // namespace corvane
