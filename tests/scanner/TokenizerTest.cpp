// The tokenizer: tokens, classes, columns.
#include <gtest/gtest.h>

#include "tests/scanner/ScannerTestUtil.h"

using namespace scannertest;

namespace {

std::vector<std::string> Texts(const CLine& l)
{
    std::vector<std::string> v;
    for (const CToken& t : l.tokens)
        v.push_back(t.text);
    return v;
}

CLine Tokenize(const std::string& text, int indent = 0)
{
    static const CLanguage lang = TableLanguage();
    CLine l;
    l.text = text;
    l.indent = indent;
    l.GetTokens(lang);
    return l;
}

} // namespace

TEST(Tokenizer, ExpressionsSplitAtOperators)
{
    EXPECT_EQ(Texts(Tokenize("a=b+1")), (std::vector<std::string>{"a", "=", "b", "+", "1"}));
    EXPECT_EQ(Texts(Tokenize("IF a>=10")), (std::vector<std::string>{"IF", "a", ">=", "10"}));
    EXPECT_EQ(Texts(Tokenize("x!=y<=z==w")),
              (std::vector<std::string>{"x", "!=", "y", "<=", "z", "==", "w"}));
}

TEST(Tokenizer, StringsAndComments)
{
    CLine l = Tokenize("PRINT(\" a b \",#13) ' note");
    EXPECT_EQ(Texts(l), (std::vector<std::string>{"PRINT", "(", "\"", " a b ", "\"", ",", "#", "13", ")", "' note"}));
    EXPECT_EQ(l.tokens[3].cls, CToken::String);
    EXPECT_EQ(l.tokens.back().cls, CToken::Comment);
    CLine open = Tokenize("PRINT(\"abc,#13)");
    EXPECT_EQ(open.tokens.back().text, "abc,#13)");
    EXPECT_TRUE(open.tokens.back().unterminated);
    CLine comment = Tokenize("' only a comment");
    ASSERT_EQ(comment.tokens.size(), 1u);
    EXPECT_EQ(comment.tokens[0].cls, CToken::Comment);
    EXPECT_EQ(comment.tokens[0].text, "' only a comment");
}

TEST(Tokenizer, ColumnsCountTheIndentation)
{
    CLine l = Tokenize("G  X", 8);
    ASSERT_EQ(l.tokens.size(), 2u);
    EXPECT_EQ(l.tokens[0].column, 8);
    EXPECT_EQ(l.tokens[1].column, 11);
    EXPECT_TRUE(l.tokens[1].blankBefore);
}

TEST(Tokenizer, Classes)
{
    auto cls = [](const std::string& w) { return Tokenize(w).tokens.at(0).cls; };
    EXPECT_EQ(cls("G"), CToken::Keyword);
    EXPECT_EQ(cls("GOTO10"), CToken::Keyword);
    EXPECT_EQ(cls("AINA3"), CToken::Keyword);
    EXPECT_EQ(cls("a"), CToken::UserVariable);
    EXPECT_EQ(cls("zz"), CToken::UserVariable);
    EXPECT_EQ(cls("www"), CToken::UserVariable);
    EXPECT_EQ(cls("zzz"), CToken::UserVariable);
    EXPECT_EQ(cls("ab"), CToken::Array);
    EXPECT_EQ(cls("al"), CToken::Array);
    EXPECT_EQ(cls("123"), CToken::Number);
    EXPECT_EQ(cls("7"), CToken::Number);
    EXPECT_EQ(cls("RP"), CToken::KeywordReport);
    EXPECT_EQ(cls("RAINA1"), CToken::KeywordReport);
    EXPECT_EQ(cls("Ra"), CToken::VariableReport);
    EXPECT_EQ(cls("Raw"), CToken::ArrayReport);
    EXPECT_EQ(cls("A100"), CToken::Indexed);
    EXPECT_EQ(cls("b5"), CToken::Indexed);
    EXPECT_EQ(cls("RW"), CToken::Keyword); // a keyword of its own
    EXPECT_EQ(cls("foo"), 0u);
    EXPECT_EQ(cls("abc"), 0u);
    EXPECT_EQ(cls("R@PE"), CToken::KeywordReport);
    EXPECT_EQ(cls("RG"), 0u); // G has no report form
    CLine g = Tokenize("GOTO12");
    EXPECT_TRUE(g.tokens[0].hasSuffix);
    EXPECT_EQ(g.tokens[0].value, 12);
    EXPECT_EQ(g.tokens[0].keyword->Name, "GOTO");
    CLine dir = Tokenize("#include \"x\"");
    EXPECT_EQ(dir.tokens[0].cls, CToken::Keyword);
    EXPECT_EQ(dir.tokens[1].cls, CToken::Keyword);
}

TEST(Tokenizer, HugeLiteralsSaturate)
{
    CLine l = Tokenize("a=99999999999999999999999999999");
    EXPECT_EQ(l.tokens[2].value, INT64_MAX);
}

TEST(Tokenizer, AnyBytesNeverCrash)
{
    std::string all;
    for (int i = 0; i < 256; ++i)
        all += static_cast<char>(i);
    for (int rep = 0; rep < 4; ++rep) {
        CLine l = Tokenize(all + all);
        EXPECT_FALSE(l.tokens.empty());
    }
}
