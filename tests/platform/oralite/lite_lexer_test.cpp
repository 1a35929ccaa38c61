// The lexer: tokens, literals, names, binds, comments and where each token stands.
#include <gtest/gtest.h>

#include "sql/lite_lexer.h"

namespace {

std::vector<std::string> texts(const std::string& sql) {
    std::vector<std::string> r;
    for (const lite_token& t : lite_tokenize(sql)) {
        if (t.kind != lite_token::end) r.push_back(t.text);
    }
    return r;
}

TEST(LiteLexer, WordsAreUpperCasedQuotedNamesAreNot) {
    auto t = lite_tokenize("select Emp#, \"Mixed \"\"Case\"\"\", x$y from dual");
    ASSERT_GE(t.size(), 8u);
    EXPECT_EQ(t[0].kind, lite_token::ident);
    EXPECT_EQ(t[0].text, "SELECT");
    EXPECT_EQ(t[1].text, "EMP#");
    EXPECT_EQ(t[3].kind, lite_token::quoted);
    EXPECT_EQ(t[3].text, "Mixed \"Case\"");
    EXPECT_EQ(t[5].text, "X$Y");
    EXPECT_EQ(t.back().kind, lite_token::end);
}

TEST(LiteLexer, Literals) {
    auto t = lite_tokenize("'it''s' q'[a'b]' N'n' nq'{x}' 1.5e3 .5 7..9");
    EXPECT_EQ(t[0].text, "it's");
    EXPECT_EQ(t[1].text, "a'b");
    EXPECT_EQ(t[2].text, "n");
    EXPECT_EQ(t[3].text, "x");
    EXPECT_EQ(t[4].kind, lite_token::number);
    EXPECT_EQ(t[4].text, "1.5e3");
    EXPECT_EQ(t[5].text, ".5");
    EXPECT_EQ(texts("7..9"), (std::vector<std::string>{"7", "..", "9"}));
    auto open = lite_tokenize("select 'abc");
    EXPECT_TRUE(open[1].unterminated);
}

TEST(LiteLexer, BindsOperatorsAndComments) {
    EXPECT_EQ(texts("a||b<=:x /* c */ -- d\n != :1 ^= :\"q\""),
              (std::vector<std::string>{"A", "||", "B", "<=", "X", "!=", "1", "^=", "q"}));
    auto t = lite_tokenize("select /*+ hint */ :Name from dual");
    EXPECT_EQ(t[1].kind, lite_token::bind);
    EXPECT_EQ(t[1].text, "NAME");
}

TEST(LiteLexer, PositionsAndLines) {
    auto t = lite_tokenize("select\n  'a\nb'\n  , x");
    EXPECT_EQ(t[1].line, 2);
    EXPECT_EQ(t[2].line, 4) << "the literal's own line break counts";
    EXPECT_EQ(t[3].line, 4);
    EXPECT_EQ(t[2].begin, 17u);
    EXPECT_EQ(t[2].end_pos, 18u);
}

TEST(LiteLexer, QuotingHelpers) {
    EXPECT_EQ(lite_quote_name("a\"b"), "\"a\"\"b\"");
    EXPECT_EQ(lite_quote_text("it's"), "'it''s'");
    EXPECT_EQ(lite_q_closer('<'), '>');
    EXPECT_EQ(lite_upper("abc$é"), "ABC$é");
}

}  // namespace
