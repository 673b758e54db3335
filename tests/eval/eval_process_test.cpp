// Runs the built abacine-eval program the way a user does and checks its
// output lines, standard error and exit status.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string TempPath(const char* stem) {
  std::string path = ::testing::TempDir() + "abacine_eval_" + stem + "_XXXXXX";
  const int fd = mkstemp(path.data());
  if (fd >= 0) close(fd);
  return path;
}

// Runs the program with args, standard input from input, and collects both
// output streams and the exit status.
Outcome RunEval(const std::vector<std::string>& args, const std::string& input = "") {
  const std::string program = ABACINE_BINARY_DIR "/bin/abacine-eval";
  const std::string inPath = TempPath("in");
  const std::string outPath = TempPath("out");
  const std::string errPath = TempPath("err");
  {
    std::ofstream in(inPath, std::ios::binary);
    in << input;
  }
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, inPath.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_TRUNC, 0);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_TRUNC, 0);
  pid_t pid = 0;
  Outcome outcome;
  if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
    int status = 0;
    if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) outcome.status = WEXITSTATUS(status);
  }
  posix_spawn_file_actions_destroy(&actions);
  outcome.out = ReadFile(outPath);
  outcome.err = ReadFile(errPath);
  unlink(inPath.c_str());
  unlink(outPath.c_str());
  unlink(errPath.c_str());
  return outcome;
}

struct Row {
  std::vector<std::string> args;
  std::string out;
  int status;
};

void CheckRows(const std::vector<Row>& rows) {
  for (const Row& row : rows) {
    std::string trace;
    for (const std::string& arg : row.args) trace += "[" + arg + "] ";
    SCOPED_TRACE(trace);
    const Outcome outcome = RunEval(row.args);
    EXPECT_EQ(outcome.out, row.out);
    EXPECT_EQ(outcome.status, row.status);
    if (row.status == 0) {
      EXPECT_EQ(outcome.err, "");
    }
  }
}

TEST(EvalProcessTest, AnswersAsTheDisplayShowsThem) {
  CheckRows({
      {{"2+3"}, "5\n", 0},
      {{"1/3"}, "0.3333333333\n", 0},
      {{"2*pi"}, "6.2831853072\n", 0},
      {{"-2+3"}, "1\n", 0},
      {{"2+3", "7/2", "2^10"}, "5\n3.5\n1024\n", 0},
      {{"--", "--5"}, "5\n", 0},
      {{"3!-1"}, "5\n", 0},
  });
}

TEST(EvalProcessTest, NoAnswerPrintsAnEmptyLineAndTheCode) {
  struct Case {
    std::string text;
    std::string err;
  };
  const Case cases[] = {
      {"1/0", "no answer (code 18)\n"},
      {"2+", "no answer (code 1)\n"},
      {"", "no answer (code 16)\n"},
      {"x+1", "no answer (code 4)\n"},
      {"{1,2}", "no answer (code 19)\n"},
      {"sin 30", "no answer (code 6)\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const Outcome outcome = RunEval({c.text});
    EXPECT_EQ(outcome.out, "\n");
    EXPECT_EQ(outcome.err, c.err);
    EXPECT_EQ(outcome.status, 1);
  }
  // One failing line among good ones: every line still gets its output.
  const Outcome mixed = RunEval({"2+3", "1/0", "7/2"});
  EXPECT_EQ(mixed.out, "5\n\n3.5\n");
  EXPECT_EQ(mixed.err, "no answer (code 18)\n");
  EXPECT_EQ(mixed.status, 1);
}

TEST(EvalProcessTest, StandardInputLines) {
  const Outcome outcome = RunEval({"--angle", "deg"}, "2+3\n1/0\r\nsin(30)\n\n7/2");
  EXPECT_EQ(outcome.out, "5\n\n0.5\n\n3.5\n");
  EXPECT_EQ(outcome.err, "no answer (code 18)\nno answer (code 16)\n");
  EXPECT_EQ(outcome.status, 1);

  const Outcome good = RunEval({}, "1+1\n2*3\n");
  EXPECT_EQ(good.out, "2\n6\n");
  EXPECT_EQ(good.status, 0);

  const Outcome none = RunEval({}, "");
  EXPECT_EQ(none.out, "");
  EXPECT_EQ(none.status, 0);
}

TEST(EvalProcessTest, ReadableSignsBothWays) {
  CheckRows({
      {{"2ᴇ3"}, "2000\n", 0},
      {{"2π"}, "6.2831853072\n", 0},
      {{"ℯ^(2)"}, "7.3890560989\n", 0},
      {{"√(16)"}, "4\n", 0},
      {{"3²"}, "9\n", 0},
      {{"4⁻¹"}, "0.25\n", 0},
      {{"2×3÷4"}, "1.5\n", 0},
      {{"2\xC2\x80" "3"}, "2000\n", 0},
      {{"10^10"}, "1ᴇ10\n", 0},
      {{"2ᴇ-10"}, "2ᴇ-10\n", 0},
      {{"1000000001"}, "1.000000001ᴇ9\n", 0},
      {{"□"}, "\n", 1},
      {{"∫(4)"}, "\n", 1},
      {{"x′"}, "\n", 1},
  });
}

TEST(EvalProcessTest, FractionsAndExactValues) {
  CheckRows({
      {{"1.25"}, "1.25\n", 0},
      {{"--fractions", "1.25"}, "5/4\n", 0},
      {{"--fractions", "0.1+0.2"}, "3/10\n", 0},
      {{"--fractions", "-0.5"}, "-1/2\n", 0},
      {{"--fractions", "pi"}, "3.1415926536\n", 0},
      {{"--exact", "0.1+0.2"}, "0.30000000000000004\n", 0},
      {{"--exact", "--angle", "deg", "sin(30)"}, "0.49999999999999994\n", 0},
      {{"--exact", "2+3"}, "5\n", 0},
  });
}

TEST(EvalProcessTest, AngleUnits) {
  CheckRows({
      {{"asin(1)"}, "1.5707963268\n", 0},
      {{"--angle", "rad", "asin(1)"}, "1.5707963268\n", 0},
      {{"--angle", "deg", "asin(1)"}, "90\n", 0},
      {{"--angle=grad", "asin(1)"}, "100\n", 0},
      {{"--angle", "deg", "sin(30)", "cos(60)"}, "0.5\n0.5\n", 0},
  });
}

TEST(EvalProcessTest, BadOptionsExitWithTwo) {
  const std::vector<std::string> bad[] = {
      {"--bogus", "2+3"},
      {"--angle"},
      {"--angle", "turns", "1"},
      {"--angle=", "1"},
      {"2+3", "--exactly"},
  };
  for (const std::vector<std::string>& args : bad) {
    SCOPED_TRACE(args[0]);
    const Outcome outcome = RunEval(args);
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(outcome.out, "");
    EXPECT_NE(outcome.err.find("abacine-eval: "), std::string::npos) << outcome.err;
    EXPECT_NE(outcome.err.find("--help"), std::string::npos) << outcome.err;
  }
}

TEST(EvalProcessTest, HelpAndVersion) {
  const Outcome help = RunEval({"--help"});
  EXPECT_EQ(help.status, 0);
  for (const char* word : {"--angle", "--fractions", "--exact", "--version", "ᴇ", "π", "ℯ", "√", "²", "⁻¹",
                           "∫", "□", "′", "×", "÷", "code", "Exit status"}) {
    EXPECT_NE(help.out.find(word), std::string::npos) << word;
  }
  EXPECT_EQ(RunEval({"-h"}).out, help.out);
  const Outcome version = RunEval({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("abacine-eval ", 0), 0u) << version.out;
}

TEST(EvalProcessTest, InvalidUtf8IsAClearError) {
  const Outcome outcome = RunEval({"2+\xFF", "1+1"});
  EXPECT_EQ(outcome.out, "\n2\n");
  EXPECT_EQ(outcome.err, "no answer (invalid UTF-8 at byte 2)\n");
  EXPECT_EQ(outcome.status, 1);

  const Outcome piped = RunEval({}, "\xC3\n3\n");
  EXPECT_EQ(piped.out, "\n3\n");
  EXPECT_EQ(piped.status, 1);
}

}  // namespace
