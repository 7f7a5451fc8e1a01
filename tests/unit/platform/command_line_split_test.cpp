#include <gtest/gtest.h>

#include "platform/process.h"

using Args = std::vector<std::string>;

TEST(SplitCommandLine, BlanksSeparateAndQuotesGroup) {
    EXPECT_EQ(platform::splitCommandLine("prog a  b\tc"), (Args{"prog", "a", "b", "c"}));
    EXPECT_EQ(platform::splitCommandLine("prog \"a b\" c\"d e\"f"), (Args{"prog", "a b", "cd ef"}));
    EXPECT_EQ(platform::splitCommandLine("prog \"\" x"), (Args{"prog", "", "x"}));
    EXPECT_EQ(platform::splitCommandLine("prog "), (Args{"prog"}));
    EXPECT_EQ(platform::splitCommandLine(""), Args{});
}

TEST(SplitCommandLine, ProgramNameTakesNoEscapes) {
    EXPECT_EQ(platform::splitCommandLine("\"C:\\Program Files\\x.exe\" -q"),
              (Args{"C:\\Program Files\\x.exe", "-q"}));
    EXPECT_EQ(platform::splitCommandLine("C:\\dir\\x.exe\\ a"), (Args{"C:\\dir\\x.exe\\", "a"}));
}

TEST(SplitCommandLine, BackslashesBeforeQuotes) {
    // 2n backslashes + quote: n backslashes, quote toggles.
    EXPECT_EQ(platform::splitCommandLine("p a\\\\\"b c\""), (Args{"p", "a\\b c"}));
    // 2n+1 backslashes + quote: n backslashes and a literal quote.
    EXPECT_EQ(platform::splitCommandLine("p a\\\"b"), (Args{"p", "a\"b"}));
    EXPECT_EQ(platform::splitCommandLine("p a\\\\\\\"b"), (Args{"p", "a\\\"b"}));
    // Backslashes not before a quote are literal.
    EXPECT_EQ(platform::splitCommandLine("p a\\\\b c\\"), (Args{"p", "a\\\\b", "c\\"}));
    // "" inside quotes is a literal quote.
    EXPECT_EQ(platform::splitCommandLine("p \"a\"\"b\" c"), (Args{"p", "a\"b", "c"}));
    // An unterminated quote runs to the end.
    EXPECT_EQ(platform::splitCommandLine("p \"a b"), (Args{"p", "a b"}));
}

TEST(QuoteArgument, RoundTripsThroughTheSplit) {
    const Args hostile{"plain",
                       "with blank",
                       "",
                       "quote\"inside",
                       "trailing\\",
                       "dir with blank\\",
                       "\\\\server\\share",
                       "a\\\"b",
                       "tab\there",
                       "-option\" -injected",
                       "\"\"",
                       "%22encoded%22"};
    std::string line = "prog";
    for (const auto& argument : hostile) line += " " + platform::quoteArgument(argument);
    Args expected{"prog"};
    expected.insert(expected.end(), hostile.begin(), hostile.end());
    EXPECT_EQ(platform::splitCommandLine(line), expected);
    EXPECT_EQ(platform::quoteArgument("simple"), "simple");
    EXPECT_EQ(platform::quoteArgument("a b"), "\"a b\"");
}
