// Thinking output: one line per new best line while the engine searches or
// ponders (depth, score, centiseconds, nodes, then the line in short
// algebraic text), and a summary line after each search. The first four
// fields are padded to fixed widths, as interfaces expect them.
#include <cstdio>

#include "frontend/frontend.h"

namespace corvane {

namespace {


constexpr int kMaxEntries = 64;
constexpr int kKing = 1;
constexpr int kPawn = 6;

int DigitCount(std::uint64_t value) {
    int n = 1;
    while (value >= 10) {
        value /= 10;
        ++n;
    }
    return n;
}

// Writes one entry of the best line; returns true when the entry ends the
// line (a mate entry or an end marker).
bool AddEntry(const FrontEnd& fe, LineText& out, std::uint32_t entry) {
    const LineMove m = ReadLineEntry(entry);
    if (m.Mate) {
        out.Add('M');
        out.AddUnsigned(m.MateMoves);
        out.Add('#');
        return true;
    }
    const std::uint32_t flags = m.Flags;
    const Byte from = m.From;
    const Byte to = m.To;
    const int kind = m.Kind;

    if (kind == kKing && (from - to == 2 || to - from == 2)) {
        // The g-file of the real board, wherever the engine's king stands.
        const bool kingside = to == 49 || to == 54 || to == 161 || to == 166;
        out.Add(kingside ? "O-O" : "O-O-O");
    } else {
        char fromName[2];
        SquareName(fe, from, fromName);
        if (kind < kPawn) out.Add(fe.MoveLetters[kind]);
        else if (kind == kPawn && (flags & LineFlagCapture)) out.Add(fromName[0]);
        if ((flags & LineFlagName) && kind != kPawn) {
            out.Add(fromName[0]);
            out.Add(fromName[1]);
        }
        if (flags & LineFlagCapture) out.Add('x');
        out.AddSquare(fe, to);
        if (flags & LineFlagPromotion) {
            out.Add('=');
            const int promoted = m.Promotion % 10;
            if (promoted >= 1 && promoted <= 5) out.Add(fe.MoveLetters[promoted]);
        }
    }
    if (flags & LineFlagEnPassant) out.Add("ep");
    if (flags & LineFlagCheck) out.Add('+');
    if (flags & LineFlagFailLow) out.Add(" <-->");
    if (flags & LineFlagFailHigh) out.Add(" <++>");
    out.Add(' ');
    return (flags & (LineFlagFailLow | LineFlagFailHigh)) != 0;
}

}  // namespace

void ShowThinking(FrontEnd& fe) {
    Engine& e = fe.Copies[0];
    e.NewVariation = 0;
    const std::uint32_t* line = e.PrincipalVariation;

    // Entries shown; a mate entry or an end marker counts as all of them.
    int shown = 3;
    if (fe.HideThinking == 0) {
        LineText out;
        const int depth = CurrentDepth(e);
        out.AddNumber(depth);
        out.Blanks(1 + (depth < 10) + (depth < 100));

        int s = e.BestScore;
        if (s == ScoreDraw) s = ScoreLevel;  // the draw score shows as 0
        out.AddNumber(s - ScoreLevel);
        out.Blanks(1 + (s > 32767) + (s > 22768 && s < 42768) + (s > 31768 && s < 33768) +
                   (s > 32668 && s < 32868) + (s > 32758 && s < 32778));

        out.AddUnsigned(fe.Elapsed);
        out.Blanks(1 + (DigitCount(fe.Elapsed) < 7 ? 7 - DigitCount(fe.Elapsed) : 0));

        const std::uint64_t nodes = TotalNodes(fe);
        out.AddUnsigned(nodes);
        out.Blanks(1 + (DigitCount(nodes) < 10 ? 10 - DigitCount(nodes) : 0));

        // While pondering, the reply pondered on comes first.
        if (e.GameTurn == TurnOpponent && fe.PonderMove[0] != NoPonderMove) {
            out.Add('<');
            out.AddSquare(fe, fe.PonderMove[0]);
            out.AddSquare(fe, fe.PonderMove[1]);
            if (fe.PonderMove[2] != 0) out.Add(PromotionLetter(fe.PonderMove[2], PromotionText::QueenBlank));
            out.Add("> ");
        }

        // An empty line (entry 0 is 0) shows no move.
        shown = 0;
        while (shown < kMaxEntries && line[shown] != 0) {
            const bool ends = AddEntry(fe, out, line[shown]);
            ++shown;
            if (ends) {
                shown = kMaxEntries;
                break;
            }
        }
        PrintLine(fe, out.Text);
    }

    // During the engine's own search the second move of the line is the
    // reply to ponder on. A line without one (entry 1 empty or the mate
    // entry) predicts nothing.
    if (e.GameTurn == TurnEngine && shown > 2) {
        const LineMove reply = ReadLineEntry(line[1]);
        if (line[1] == 0 || reply.Mate) {
            fe.PonderMove[0] = NoPonderMove;
            fe.PonderMove[1] = 0;
            fe.PonderMove[2] = 0;
        } else {
            fe.PonderMove[0] = reply.From;
            fe.PonderMove[1] = reply.To;
            fe.PonderMove[2] = reply.Promotion;
        }
    }
}

void PrintSummaryLine(FrontEnd& fe) {
    if (fe.Elapsed <= 1) return;
    const Engine& e = fe.Copies[0];
    const std::uint64_t nodes = TotalNodes(fe);
    char text[160];
    int n = 0;
    // The one-copy program shows the depth reached when thinking is hidden.
    if (fe.CopyCount == 1 && fe.HideThinking == 1)
        n = std::snprintf(text, sizeof text, "depth:%d ", CurrentDepth(e) - e.IterationDone);
    std::snprintf(text + n, sizeof text - static_cast<std::size_t>(n), "nodes:%llu nps:%llu time:%lu",
                  static_cast<unsigned long long>(nodes), static_cast<unsigned long long>(nodes / fe.Elapsed * 100),
                  static_cast<unsigned long>(fe.Elapsed));
    PrintLine(fe, text);
}

}  // namespace corvane
