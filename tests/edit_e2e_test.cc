// Editing runs: the editor setting, standard-input mode and FILE mode.
#include <gtest/gtest.h>
#include <signal.h>

#include <numeric>
#include <tuple>

#include "row.h"

// The tables below are laid out one row to a line or two, the way they are
// read; clang-format would break every row into a column of fields.
// clang-format off
namespace clippers_test {
namespace {

const std::string kNoEditor = "clippers: no editor available{line}\n";
const std::string kHint = "clippers: hint: {line}\n";
const std::string kNeverOpened = "clippers: editor returned in {ms}ms without changes; it likely never opened{line}";
const std::string kEditing = "clippers: editing {draft}\n";
const std::string kKept = "; your edited draft is kept at {draft}\n";
const std::string kNotRegular = "clippers: io error: not a regular file" + kKept;
const std::string kChanged = kEditing + "clippers: notes.txt changed while it was being edited" + kKept;
// m shows everything as nobody's, mode 777, whatever is made there (needs FUSE).
const std::string kForcedOwner = "mkdir r m && { bindfs --force-user=nobody --force-group=nogroup --perms=0777 r m 2>/dev/null || exit 77; }";
// Standard output a pipe that is never read; the soft file-size limit 1 KiB.
const std::string kStall = "r, w = os.pipe()\nos.set_inheritable(r, True)\nos.dup2(w, 1)";
const std::vector<std::string> kFileSizeLimit = sh_start("ulimit -S -f 2; exec \"$@\"");
// Editors: one that writes the words it got before the draft path, one that
// writes which of its standard streams are terminals.
const std::string kShowWords = "w=; while [ $# -gt 1 ]; do w=\"$w[$1]\"; shift; done; printf %s \"$w\" > \"$1\"";
const std::string kWhichTerminal = "s=; for fd in 0 1 2; do if [ -t $fd ]; then s=$s+; else s=$s-; fi; done; printf %s $s > \"$1\"";

// VISUAL after "{tools}/ed ", and the words the editor gets before the draft path.
const std::pair<std::string, std::string> kWords[] = {
    {"a'b c'd", "[ab cd]"}, {"x \"\" y", "[x][][y]"}, {" \t\na\t\nb\r\vc\u00a0d", "[a][b\r\vc\u00a0d]"},
    {"myedit#x #c 'open\nb", "[myedit#x][b]"}, {"\\#x \\\n \\ b", "[#x][ b]"}, {"ab\\\ncd a\\\\b\\'\\\"", "[abcd][a\\b'\"]"},
    {"'a\nb\\c\"'", "[a\nb\\c\"]"}, {"\"a'b\\\"c\\$d\\`e\\\\f\\\ng\\nh\"", "[a'b\"c$d`e\\fg\\nh]"},
    {"a #", "[a]"}, {"a \\", "[a][\\]"}, {"ab\\", "[ab\\]"}, {"a ''", "[a][]"}};

// Every White_Space character, and characters beside or like them that are not.
const std::string kAllSpaces = "\t\n\v\f\r \u0085\u00a0\u1680\u2000\u2001\u2002\u2003\u2004\u2005\u2006\u2007\u2008\u2009\u200a\u2028\u2029\u202f\u205f\u3000";
const std::string kNotSpaces[] = {"\u200b", "\u200c", "\u2060", "\ufeff", "\u00ad", "\u180e", "\x1c", "\u3001"};
// An editor that writes each of them after a cut line of its own, as text.
const std::string kCutsBeforeNotSpaces = std::accumulate(std::begin(kNotSpaces), std::end(kNotSpaces), std::string(),
                                                         [](const std::string& all, const std::string& s) { return all + "printf '%s" + s + "\\n' \"$C\" >> \"$1\"\n"; });

std::string itself_error(const std::string& variable) {
  return "clippers: $" + variable + " names clippers itself; set CLIPPERS_EDITOR to the editor to open (CLIPPERS_EDITOR=vim)\n";
}

std::string no_terminal(const std::string& program) {
  return "clippers: " + program + " needs a terminal and there is none; run clippers from a terminal, or set CLIPPERS_EDITOR to a "
         "graphical editor with its wait flag (CLIPPERS_EDITOR=\"gvim -f\")\n";
}

// The tool with one standard stream a terminal that is not its controlling one (it has none).
std::vector<std::string> on_a_terminal(int fd) {
  return py_start("m, s = os.openpty()\nos.set_inheritable(m, True)\nos.dup2(s, " + std::to_string(fd) + ")");
}
// The build's fallback editor, put on the row's PATH as a link to `target` (one given as a path cannot be).
const std::string kFallback = CLIPPERS_FALLBACK_EDITOR;
std::string fallback_is(const std::string& target) {
  return "case " + kFallback + " in */*) exit 77;; esac; ln -s " + target + " {tools}/" + kFallback;
}

const Row kSettingRows[] = {
    {.name = "EDITOR when VISUAL is blank", .env = {"VISUAL= \t\u3000", "EDITOR={tools}/ed"}},
    {.name = "EDITOR when VISUAL is not UTF-8", .env = {"VISUAL=ed\xff", "EDITOR={tools}/ed"}},
    {.name = "white space of every kind around the setting", .env = {"VISUAL=" + kAllSpaces + "{tools}/ed" + kAllSpaces}},
    {.name = "an unclosed quote in EDITOR", .env = {"VISUAL=# only", "EDITOR=\"a\\"}, .status = 2, .err = "clippers: io error: missing closing quote\n"},
    {.name = "an empty first word names no editor", .env = {"VISUAL=''"}, .status = 2, .err = kNoEditor + kHint, .unwrapped_only = true},
    {.name = "no setting: the fallback, not on this PATH", .env = {"PATH={tools}", "VISUAL=# x", "EDITOR= "}, .status = 2,
     .err = kNoEditor + kHint, .unwrapped_only = true},
    {.name = "no setting: the fallback", .env = {"PATH={tools}", "VISUAL=# x"}, .setup = fallback_is("ed"),
     .start = {.controlling_terminal = true}},
    {.name = "no setting, and the fallback is this tool", .env = {"PATH={tools}"}, .status = 2,
     .err = "clippers: the default editor " + kFallback + " names clippers itself; set CLIPPERS_EDITOR{line}\n", .setup = fallback_is("{clippers}")},
    {.name = "CLIPPERS_EDITOR comes first", .env = {"CLIPPERS_EDITOR={tools}/ed", "VISUAL=no-such-editor"}},
    {.name = "a launcher with its wait flag runs", .editor = "printf ok > \"$last\"", .env = {"PATH={tools}", "VISUAL=code -n --wait"},
     .setup = "ln -s ed {tools}/code"},
    {.name = "VISUAL names this tool", .env = {"VISUAL={clippers} --yes"}, .status = 2, .err = itself_error("VISUAL")},
    {.name = "an empty element of PATH is the current directory", .env = {"PATH=:/nonexistent", "VISUAL=myedit --yes"}, .status = 2,
     .err = itself_error("VISUAL"), .setup = "ln -s {clippers} myedit"},
    {.name = "EDITOR names this tool through PATH", .env = {"PATH=/nonexistent:{tools}", "EDITOR=myedit"}, .status = 2,
     .err = itself_error("EDITOR"), .setup = "ln -s {clippers} {tools}/myedit"},
    {.name = "a terminal editor runs with a controlling terminal", .env = {"PATH={tools}", "VISUAL=vim"}, .setup = "ln -s ed {tools}/vim",
     .start = {.controlling_terminal = true}},
    {.name = "a terminal editor where standard output is a terminal but none can be reached", .env = {"PATH={tools}", "VISUAL=vim"},
     .status = 2, .err = no_terminal("vim"), .setup = "ln -s ed {tools}/vim", .start = {.wrapper = on_a_terminal(1)}},
    {.name = "a terminal editor where standard input is a terminal but none can be reached", .args = {"notes.txt"},
     .env = {"PATH={tools}", "VISUAL=vim"}, .status = 2, .err = no_terminal("vim"), .setup = "ln -s ed {tools}/vim", .start = {.wrapper = on_a_terminal(0)}},
    {.name = "a terminal editor that is not found is missing", .env = {"PATH={tools}", "VISUAL=vim"}, .status = 2, .err = kNoEditor + kHint,
     .unwrapped_only = true},
};

// Settings that name a launcher without its wait flag, the program the refusal names and the setting it suggests.
const std::tuple<std::string, std::string, std::string> kLaunchers[] = {
    {"code", "code", "code --wait"}, {"/opt/x/subl -n", "subl", "/opt/x/subl --wait -n"}, {"gvim", "gvim", "gvim -f"},
    {"kate 'a b'", "kate", "kate --block 'a b'"}, {"gedit", "gedit", "gedit --wait"},
    {"emacsclient -n -c", "emacsclient", "emacsclient -c"}, {"emacsclient -nc", "emacsclient", "emacsclient -c"},
    {"emacsclient -cn", "emacsclient", "emacsclient -c"}, {"env -i -u X -- A=b code ''", "code", "env -i -u X -- A=b code --wait ''"},
    {"flatpak run --user com.visualstudio.code", "code", "flatpak run --user com.visualstudio.code --wait"},
    {"snap run code.url", "code", "snap run code.url --wait"}, {"code-oss", "code-oss", "code-oss --wait"},
    {"cursor", "cursor", "cursor --wait"}, {"windsurf", "windsurf", "windsurf --wait"}, {"vscodium", "vscodium", "vscodium --wait"},
    {"gvim --remote", "gvim", "gvim --remote-wait"}, {"gvim -f --remote-silent", "gvim", "gvim -f --remote-wait-silent"},
    {"vim --remote-tab", "vim", "vim --remote-tab-wait"}, {"nvim --server s --remote-tab-silent", "nvim", "nvim --server s"},
    {"open -e", "open", "open -W -e"}, {"xdg-open", "xdg-open", ""}};
// Launchers in forms that wait, and a flatpak that names no application: they run.
const std::string kWaiting[] = {"gvim --remote-wait", "gvim --remote-tab-wait", "gvim -v", "emacsclient -anano", "flatpak run"};

// Terminal editors where no terminal can be reached (the tool has no
// controlling terminal): the setting, more environment, and what the run says
// ("" when the editor runs).  `editor` leads to a nano outside PATH, `gvim`
// to a vim.gtk3 (as on Debian): a name that opens a window is taken at its word.
const std::tuple<std::string, std::vector<std::string>, std::string> kNoTerminal[] = {
    {"vim", {}, no_terminal("vim")}, {"", {}, no_terminal("vi")}, {"env A=b nano", {}, no_terminal("nano")},
    {"editor", {}, no_terminal("nano")}, {"vim -g", {}, ""}, {"emacs", {}, no_terminal("emacs")}, {"emacs", {"DISPLAY=:0"}, ""},
    {"emacs -nw", {"DISPLAY=:0"}, no_terminal("emacs")}, {"emacs-nox", {"DISPLAY=:0"}, no_terminal("emacs-nox")},
    {"emacsclient -t", {}, no_terminal("emacsclient")}, {"gvim -f", {}, ""}};

// Unless a row says otherwise, the editor writes "ok", which is approved.
ROWS(Settings, each(kSettingRows, [](Row row) {
       const std::string input = "x", editor = "printf ok > \"$1\"", out = "ok\n";
       row.input = input;
       if (row.editor.empty()) row.editor = editor;
       if (row.status == 0 && row.out.empty()) row.out = out;
       return row;
     }));
ROWS(Words, each(kWords, [](const auto& e) {
       return Row{.name = e.first, .input = "x", .editor = kShowWords, .env = {"VISUAL={tools}/ed " + e.first}, .out = e.second + "\n"};
     }));
// Refused before anything is written: no draft directory, and the launcher (a copy of the editor) never starts.
ROWS(Launchers, each(kLaunchers, [](const auto& e) {
       const auto& [setting, program, fix] = e;
       return Row{.name = "does not wait: " + setting, .input = "x", .env = {"VISUAL=" + setting, "PATH={tools}"}, .status = 2,
                  .err = "clippers: " + program + " returns before the file is closed; " +
                         (fix.empty() ? "set an editor that waits, such as \"code --wait\"" : "use \"" + fix + "\"") + "\n",
                  .setup = "for p in code subl gvim kate gedit emacsclient open xdg-open; do ln -s ed {tools}/$p; done",
                  .check = "[ ! -e {tools}/arg ]"};
     }));
ROWS(Waiting, each(kWaiting, [](const std::string& setting) {
       return Row{.name = "waits: " + setting, .input = "x", .editor = "printf ok > \"$last\"", .env = {"VISUAL=" + setting, "PATH={tools}"},
                  .out = "ok\n", .setup = "for p in gvim emacsclient flatpak; do ln -s ed {tools}/$p; done"};
     }));
// Refused before anything is written, as above.
ROWS(NoTerminal, each(kNoTerminal, [](const auto& e) {
       const auto& [setting, env, says] = e;
       Row row = {.name = (setting.empty() ? "the fallback" : setting) + " " + (env.empty() ? "" : env[0]), .input = "x", .editor = "printf ok > \"$last\"", .env = env,
                  .status = says.empty() ? 0 : 2, .out = says.empty() ? "ok\n" : "", .err = says,
                  .setup = "for p in env vi vim nano emacs emacs-nox emacsclient; do ln -s ed {tools}/$p; done; mkdir {tools}/alt && cp {tools}/ed {tools}/alt/nano "
                           "&& ln -s alt/nano {tools}/editor && cp {tools}/ed {tools}/alt/vim.gtk3 && ln -s alt/vim.gtk3 {tools}/gvim",
                  .check = says.empty() ? "" : "[ ! -e {tools}/arg ]"};
       row.env.insert(row.env.end(), {"VISUAL=" + setting, "PATH={tools}"});
       return row;
     }));

// Standard-input mode: the draft comes on standard input, the approved text leaves on standard output.
// A signal that would end the tool while the editor runs: passed on to the
// editor (which ends by it here), then the draft is named and the tool ends by it.
Row cancelled_by(int signal, const std::string& name) {
  return {.name = name + " is a cancel", .input = "draft", .editor = "echo up >&2; exec sleep 5", .status = 128 + signal,
          .err = "up\nclippers: interrupted by signal " + std::to_string(signal) + "; draft at {draft}\n",
          .start = {.kill_after_ms = 300, .kill_after_output = true, .kill_signal = signal}};
}

const Row kStdinRows[] = {
    // A pipe's first chunk holds 64 KiB: the draft's CR and its trailing LFs fall on either side.
    {.name = "trailing LFs dropped across the chunks of a pipe", .input = std::string(65535, 'a') + "\r\n\n\n",
     .editor = "printf ok > \"$1\"", .out = "ok\n", .seen = std::string(65535, 'a') + "\r\n\n" + kCut + "\n{notes}"},
    {.name = "edit is printed; the editor gets its words and the draft path", .args = {"--context", "from a\nscript "},
     .input = "Hello\r\n\n", .editor = "printf '%s|' \"$@\" > argv; printf 'Edited line\\r\\nsecond \\n\\n\\n' > \"$2\"",
     .env = {"VISUAL={tools}/ed --wait"}, .out = "Edited line\nsecond\n",
     .seen = "Hello\r\n\n" + kCut + "\n{notes}#\n# Context: from a\nscript \n", .check = "[ \"$(cat argv)\" = \"--wait|$D|\" ]"},
    {.name = "the last cut line cuts; an indented one, or one with more than white space, is text", .input = "x",
     .editor = "printf 'a\\n %s\\nb\\n%s \\t\\r\\nc\\n%s\\r\\nd\\n%s x\\n' \"$C\" \"$C\" \"$C\" \"$C\" > \"$1\"\n" + kCutsBeforeNotSpaces,
     .out = "a\n " + kCut + "\nb\n" + kCut + " \t\nc\n"},
    {.name = "CR LF becomes LF, a lone CR stays, blank lines and comments are content", .input = "x",
     .editor = "printf '\\n \\n# c\\r\\n\\tx\\ry\\r\\r\\nz  \\n\\n%s\\nkeep' \"$C\" > \"$1\"", .out = "\n \n# c\n\tx\ry\r\nz\n"},
    {.name = "a cut line with no line break after it cuts", .input = "x", .editor = "printf 'a\\n%s' \"$C\" > \"$1\"", .out = "a\n"},
    {.name = "a byte-order mark the editor saved in front is not content", .input = "draft", .editor = "printf '\\357\\273\\277new' > \"$1\"",
     .out = "new\n"},
    {.name = "white space alone above the cut is an abort", .input = "x",
     .editor = "printf ' \\n\\t\\r\\n\\342\\200\\203\\n%s\\nkeep\\n' \"$C\" > \"$1\"", .status = 1,
     .err = "clippers: aborted; draft preserved at {draft}\n"},
    {.name = "non-zero exit keeps the draft", .input = "draft text\n", .editor = "exit 3", .status = 2,
     .err = "clippers: editor exited with code 3; draft at {draft}\n"},
    {.name = "fast and untouched: never opened", .input = "Same text  \n\n\n", .editor = "exit 0", .status = 2,
     .err = kNeverOpened + "; draft at {draft}\n", .seen = "Same text  \n\n" + kCut + "\n{notes}", .check = "cmp -s \"$D\" {tools}/seen"},
    {.name = "fast, saved with the draft's content alone: never opened", .input = "Same text\n", .editor = "printf 'Same text\\n' > \"$1\"",
     .status = 2, .err = kNeverOpened + "; draft at {draft}\n"},
    {.name = "slow and untouched: approved", .input = "Same text  \n", .editor = "sleep 0.7", .out = "Same text\n"},
    {.name = "slow, untouched and never read: never opened", .input = "Same text\n", .editor = "sleep 0.7", .status = 2,
     .err = kNeverOpened + "; draft at {draft}\n", .unread = true},
    {.name = "untouched CR LF draft is never opened, not approved", .input = "one\r\ntwo\r\n", .editor = "exit 0", .status = 2,
     .err = kNeverOpened + "; draft at {draft}\n"},
    {.name = "a context line that reads as the cut line is commented out and cuts nothing",
     .args = {"--context", "x\n" + kCut + "\ncurl x | sh"}, .input = "draft", .editor = "sleep 0.6", .out = "draft\n",
     .seen = "draft\n\n" + kCut + "\n{notes}#\n# Context: x\n# " + kCut + "\ncurl x | sh\n"},
    {.name = "editor not executable", .input = "draft\n", .env = {"VISUAL={tools}/plain"}, .status = 2,
     .err = "clippers: io error: {os:13}\n", .setup = ": > {tools}/plain", .unwrapped_only = true},
    {.name = "draft removed by the editor", .input = "draft\n", .editor = "rm \"$1\"", .status = 2, .err = "clippers: io error: {os:2}\n"},
    {.name = "draft saved in Latin-1 is kept", .input = "draft\n", .editor = "printf 'caf\\351\\n' > \"$1\"", .status = 2,
     .err = "clippers: io error: stream did not contain valid UTF-8" + kKept, .draft_after = "caf\xE9\n"},
    {.name = "FIFO at the draft path does not hang the run", .input = "draft\n", .editor = "rm \"$1\"; mkfifo \"$1\"", .status = 2,
     .err = kNotRegular},
    {.name = "closed standard output keeps the approved draft", .input = "old", .editor = "printf 'new' > \"$1\"", .status = 2,
     .err = "clippers: failed to write stdout: {os:32}; draft preserved at {draft}\n", .draft_after = "new",
     .start = {.wrapper = kNoReader}},
    {.name = "closed standard input reads as empty, closed standard output fails as closed", .editor = "printf 'new' > \"$1\"",
     .status = 2, .err = "clippers: failed to write stdout: {os:9}; draft preserved at {draft}\n", .draft_after = "new",
     .start = {.wrapper = sh_start("exec \"$@\" <&- >&-")}},
            {.name = "the draft directory is private and goes with all the editor left in it", .input = "x",
     .editor = "d=$(dirname \"$1\"); mkdir -p $d/sub/deeper; ln -s $PWD/notes.txt $d/sub/link; stat -c %a $d > \"$1\"",
     .out = "700\n"},
    {.name = "directories the editor left unsearchable and deep are removed", .input = "x",
     .editor = "cd \"$(dirname \"$1\")\" && mkdir -p a/b c && touch a/b/f c/f && chmod 0 a/b a && chmod 500 c && "
               "for i in $(seq 40); do mkdir n; cd n; done; touch f; printf ok > \"$1\"",
     .out = "ok\n", .start = {.as_uid = kNobody}},
    {.name = "what cannot be removed is named", .input = "x", .editor = "d=$(dirname \"$1\"); mkdir $d/m && mount -t tmpfs tmpfs $d/m && printf ok > \"$1\"",
     .out = "ok\n", .err = "clippers: warning: could not remove {dir}: {os:16} at path \"{dir}/m\"\n",
     .setup = "mkdir probe && { mount -t tmpfs tmpfs probe 2>/dev/null || exit 77; } && umount probe", .check = "umount \"${D%/*}/m\"",
     .root_only = true, .start = {.give_up_after_ms = 20000}},
    {.name = "a file that cannot be removed is named with its own error", .input = "x",
     .editor = "d=$(dirname \"$1\"); touch $d/f && chattr +i $d/f && printf ok > \"$1\"", .out = "ok\n",
     .err = "clippers: warning: could not remove {dir}: {os:1} at path \"{dir}/f\"\n",
     .setup = "touch p && { chattr +i p 2>/dev/null || exit 77; } && chattr -i p", .check = "chattr -i \"${D%/*}/f\"", .root_only = true},
    {.name = "an end signal while standard output is stalled names the draft", .input = "x",
     .editor = "head -c 300000 /dev/zero | tr '\\0' y > \"$1\"; echo saved >&2", .status = 128 + 15,
     .err = "saved\nclippers: interrupted by signal 15; draft at {draft}\n",
     .start = {.kill_after_ms = 1000, .kill_after_output = true, .kill_signal = SIGTERM, .wrapper = py_start(kStall)}},
    {.name = "an empty TMPDIR is the current directory", .input = "x", .editor = "dirname \"$1\" > \"$1\"",
     .env = {"VISUAL={tools}/ed", "TMPDIR="}, .out = "{work}/clippers-{rand}\n", .unwrapped_only = true},
    {.name = "a relative TMPDIR is under the current directory", .input = "x", .editor = "dirname \"$1\" > \"$1\"",
     .env = {"VISUAL={tools}/ed", "TMPDIR=sub"}, .out = "{work}/sub/clippers-{rand}\n", .setup = "mkdir sub", .unwrapped_only = true},
    {.name = "a missing TMPDIR, shown with escapes", .input = "draft", .env = {"VISUAL={tools}/ed", "TMPDIR={work}/q\"\\\t\x01\xCC\x81\xFF"},
     .status = 2, .err = "clippers: io error: {os:2} at path \"{work}/q\\\"\\\\\\t\\u{1}\\u{301}\\xFF/clippers-{rand}\"\n",
     .unwrapped_only = true},
    {.name = "a read-only TMPDIR", .input = "draft", .status = 2, .err = "clippers: io error: {os:13} at path \"{tmp}/clippers-{rand}\"\n",
     .setup = "chmod 555 {tmp}", .unwrapped_only = true, .start = {.as_uid = kNobody}},
    {.name = "a TMPDIR that keeps no owners or modes", .input = "x", .editor = "printf ok > \"$1\"", .env = {"VISUAL={tools}/ed", "TMPDIR={work}/m"},
     .out = "ok\n", .setup = kForcedOwner, .check = "umount m"},
    {.name = "many descriptors already open", .input = "draft", .editor = "printf 'fine' > \"$1\"", .out = "fine\n", .start = {.wrapper = py_start("for _ in range(1000): os.set_inheritable(os.open(\"/dev/null\", os.O_RDONLY), True)")}},
    {.name = "the editor gets the controlling terminal", .input = "draft", .editor = kWhichTerminal, .out = "++-\n",
     .start = {.controlling_terminal = true}},
    {.name = "without a terminal the editor's screen goes to standard error", .input = "draft", .editor = kWhichTerminal + "; echo screen",
     .out = "---\n", .err = "screen\n"},
    {.name = "an interrupt reaches the editor alone", .input = "draft", .editor = "trap - INT\nkill -INT 0\nsleep 1", .status = 2,
     .err = "clippers: editor exited with code -1; draft at {draft}\n"},
    // SIGINT, SIGQUIT, SIGPIPE and SIGXFSZ are the bits of 0x1001006.
    {.name = "the editor starts with the default actions the tool and its caller ignore", .input = "draft",
     .editor = "echo $((0x$(awk '/^SigIgn/ {print $2}' /proc/$$/status) & 0x1001006)) > \"$1\"", .out = "0\n", .start = {.wrapper = sh_start("trap '' INT QUIT; exec \"$@\"")}},
    {.name = "an inherited ignored SIGCHLD does not break the wait", .input = "draft", .editor = "printf 'waited' > \"$1\"",
     .out = "waited\n", .start = {.wrapper = py_start("signal.signal(signal.SIGCHLD, signal.SIG_IGN)")}},
    {.name = "an editor that ignores a cancel is killed 5 s after it was passed on", .input = "draft",
     .editor = "echo $$ > pid; trap '' TERM; echo up >&2; exec sleep 60", .status = 128 + 15,
     .err = "up\nclippers: interrupted by signal 15; draft at {draft}\n", .check = "! kill -0 \"$(cat pid)\" 2>/dev/null",
     .start = {.kill_after_ms = 300, .kill_after_output = true, .kill_signal = SIGTERM, .give_up_after_ms = 30000}},
    cancelled_by(SIGALRM, "a caller's alarm"), cancelled_by(SIGUSR1, "SIGUSR1"), cancelled_by(SIGXCPU, "SIGXCPU"),
    cancelled_by(SIGRTMIN + 1, "a real-time signal"),
    {.name = "as process 1 of a PID namespace, a signal after the editor still ends the run", .input = "x",
     .editor = "head -c 300000 /dev/zero | tr '\\0' y > \"$1\"; (sleep 1; kill -TERM 1) &", .status = 128 + 15,
     .err = "clippers: interrupted by signal 15; draft at {draft}\n", .setup = "unshare --pid --fork true 2>/dev/null || exit 77",
     .unwrapped_only = true, .start = {.give_up_after_ms = 15000, .wrapper = py_start(kStall, {"unshare", "--pid", "--fork", "--kill-child"})}},
    {.name = "a draft over the file-size limit fails cleanly", .input = std::string(4096, 'x'), .editor = "exit 0", .status = 2,
     .err = "clippers: io error: {os:27}\n", .start = {.wrapper = kFileSizeLimit}},
    // --json, --timeout, --require-save, --suffix, --check.
    {.name = "--json: an approval, changed, its control characters escaped", .args = {"--json"}, .input = "draft",
     .editor = "printf 'new\\302\\205x\\033y\\302\\200\\302\\237' > \"$1\"", .out = "{any}\\u0085x\\u001by\\u0080\\u009f{any}",
     .json = R"(has(outcome="approved", status=0, content="new\x85x\x1by\x80\x9f", changed=True, file=None, draft=None, reason=None, message=None) and d["elapsed_ms"] >= 0)"},
    {.name = "--json: an untouched approval has not changed", .args = {"--json"}, .input = "Same  \r\n", .editor = "sleep 0.6",
     .json = R"(has(content="Same", changed=False))"},
    {.name = "--json: an abort names its draft", .args = {"--json"}, .input = "draft", .editor = ": > \"$1\"", .status = 1,
     .err = "clippers: aborted; draft preserved at {draft}\n", .draft_after = "",
     .json = R"(has(outcome="aborted", status=1, content=None, changed=None, draft="{draft}", reason="emptied", message="aborted; draft preserved at {draft}"))"},
    {.name = "--json: no editor, and both lines", .args = {"--json"}, .input = "draft", .env = {"VISUAL=/nonexistent/editor"}, .status = 2,
     .err = kNoEditor + kHint, .json = R"(has(outcome="failed", reason="no-editor", draft=None, elapsed_ms=None) and d["message"].count(chr(10)) == 1)",
     .unwrapped_only = true},
    {.name = "--json: input that is not UTF-8", .args = {"--json"}, .input = "\xff", .status = 2,
     .err = "clippers: failed to read stdin: stream did not contain valid UTF-8\n", .json = R"(has(status=2, reason="invalid-utf8"))"},
    {.name = "--json: a cancel still leaves its object", .args = {"--json"}, .input = "draft", .editor = "echo up >&2; exec sleep 5",
     .status = 128 + 15, .err = "up\nclippers: interrupted by signal 15; draft at {draft}\n",
     .json = R"(has(status=143, reason="interrupted", draft="{draft}", message="interrupted by signal 15; draft at {draft}"))",
     .start = {.kill_after_ms = 300, .kill_after_output = true, .kill_signal = SIGTERM}},
    {.name = "--timeout: no decision in time keeps the draft", .args = {"--timeout", "1s", "--json"}, .input = "draft",
     .editor = "trap 'kill $!; sleep 0.3; echo saving >&2; exit 0' TERM; echo up >&2; sleep 30 & wait", .status = 2,
     .err = "up\nsaving\nclippers: no decision within 1s; draft preserved at {draft}\n",
     .json = R"(has(reason="timeout", draft="{draft}") and d["elapsed_ms"] >= 1000)", .start = {.give_up_after_ms = 20000}},
    {.name = "--require-save: quitting without saving aborts", .args = {"--require-save"}, .input = "draft", .editor = "sleep 0.6",
     .status = 1, .err = "clippers: aborted: the draft was not saved; draft preserved at {draft}\n",
     .seen = "draft\n\n" + kCut + "\n{notes}# Quit without saving to abort.\n"},
    {.name = "--require-save: a save of the text as it was approves, however fast", .args = {"--require-save"}, .input = "draft",
     .editor = "cat \"$1\" > t; cat t > \"$1\"", .out = "draft\n"},
    {.name = "--suffix names the draft's kind", .args = {"--suffix", ".md"}, .input = "x", .editor = "basename \"$1\" > \"$1\"",
     .out = "COMMIT_EDITMSG.md\n"},
    {.name = "--check: a refused approval opens the editor again, with the check's report",
     .args = {"--check", "sh -c 'grep -q good || { echo must say good; echo \"------------------------ >8 ------------------------\"; exit 3; }'"},
     .input = "draft", .editor = "n=$(($(cat count 2>/dev/null || echo 0) + 1)); echo $n > count; if [ $n = 1 ]; then printf bad > \"$1\"; else printf good > \"$1\"; fi",
     .out = "good\n", .seen = "bad\n\n" + kCut + "\n{notes}#\n# Check failed (exit 3):\n# must say good\n# # ------------------------ >8 ------------------------\n"},
    {.name = "--check that cannot be started keeps the person's text", .args = {"--check", "no-such-check", "--json"}, .input = "draft",
     .editor = "printf mine > \"$1\"", .status = 2, .err = "clippers: cannot run the check \"no-such-check\": {os:2}; draft preserved at {draft}\n",
     .draft_after = "mine", .json = R"(has(reason="check-failed", draft="{draft}"))", .unwrapped_only = true},
};

ROWS(Stdin, kStdinRows);

// FILE mode: notes.txt is edited in place and replaced only by one rename.
const Row kFileRows[] = {
    {.name = "approved: LF line ends, final line feed and mode kept", .args = {"notes.txt", "--context", "ctx"},
     .editor = "cp \"$1\" copy; mv \"$1\" \"$1~\"; cp copy \"$1\"; sleep 0.6", .err = kEditing,
     .seen = "line one\r\nline two\n\n" + kCut + "\n{notes}#\n# Context: ctx\n", .file = "line one\r\nline two\n",
     .file_after = "line one\nline two\n", .setup = "chmod 600 notes.txt", .check = "[ \"$(stat -c %a notes.txt)\" = 600 ]"},
    {.name = "abort, FILE named in invalid UTF-8", .args = {"n\xFF.txt"}, .editor = ": > \"$1\"", .status = 1,
     .err = "clippers: editing {dir}/n\ufffd.txt\nclippers: aborted; n\ufffd.txt left unchanged\n", .setup = "cp notes.txt \"$(printf 'n\\377.txt')\""},
    {.name = "non-zero exit", .args = {"notes.txt"}, .editor = "exit 3", .status = 2, .err = kEditing + "clippers: editor exited with code 3\n"},
    {.name = "the editor's rescue files are kept, the first eight named", .args = {"notes.txt"},
     .editor = "printf x > \"$1.save\"; : > \"$(dirname \"$1\")/.swp\"; for i in 1 2 3 4 5 6 7 8; do : > \"$1.$i\"; done; exit 1", .status = 2,
     .err = kEditing + "clippers: editor exited with code 1\nclippers: kept {dir}: the editor left .swp, notes.txt.1, notes.txt.2, notes.txt.3, "
                       "notes.txt.4, notes.txt.5, notes.txt.6, notes.txt.7 and 2 others there\n"},
    {.name = "fast and untouched: never opened, the draft goes", .args = {"notes.txt"}, .editor = "exit 0", .status = 2, .err = kEditing + kNeverOpened + "\n"},
    {.name = "an end signal while the editor runs keeps the edited draft", .args = {"notes.txt"},
     .editor = "printf mine > \"$1\"; trap 'echo passed on >&2; exit 0' TERM; kill -TERM $PPID; sleep 5 & wait", .status = 128 + 15,
     .err = kEditing + "passed on\nclippers: interrupted by signal 15; draft at {draft}\n", .draft_after = "mine"},
    {.name = "the draft has FILE's permission bits", .args = {"notes.txt"}, .editor = "stat -c %a \"$1\" > \"$1\"", .err = kEditing,
     .file_after = "640\n", .setup = "chmod 640 notes.txt"},
    {.name = "the editor's copy of the draft as written goes", .args = {"notes.txt"}, .editor = "cp \"$1\" \"$1~\"; : > \"$1\"", .status = 1,
     .err = kEditing + "clippers: aborted; notes.txt left unchanged\n"},
    {.name = "beside a copy of the draft, only the rest is named", .args = {"notes.txt"},
     .editor = "cp \"$1\" \"$1~\"; printf x > \"$1.save\"; : > \"$1\"", .status = 1,
     .err = kEditing + "clippers: aborted; notes.txt left unchanged\nclippers: kept {dir}: the editor left notes.txt.save there\n"},
    {.name = "killed editor keeps the draft", .args = {"notes.txt"}, .editor = "kill -9 $$", .status = 2,
     .err = kEditing + "clippers: editor exited with code -1; draft at {draft}\n"},
    {.name = "a cut line in FILE is refused before any editor", .args = {"notes.txt"}, .editor = "touch ran", .status = 2,
     .err = "clippers: notes.txt already contains the clippers line (line 3); refusing{line}\n",
     .file = "a\r\n\n" + kCut + " \t\nb\n", .check = "[ ! -e ran ]"},
    {.name = "an indented cut line is text", .args = {"notes.txt"}, .editor = "printf 'ok' > \"$1\"", .err = kEditing,
     .file = " " + kCut + "\n", .file_after = "ok\n"},
    {.name = "missing FILE", .args = {"missing.txt"}, .editor = "touch ran", .status = 2,
     .err = "clippers: cannot read missing.txt: {os:2}\n", .check = "[ ! -e ran ] && [ ! -e missing.txt ]"},
    {.name = "FILE not UTF-8", .args = {"notes.txt", "--json"}, .status = 2,
     .err = "clippers: cannot read notes.txt: stream did not contain valid UTF-8\n", .file = "caf\xE9",
     .json = R"(has(reason="invalid-utf8", file="notes.txt"))"},
    {.name = "FILE a directory", .args = {"."}, .status = 2, .err = "clippers: cannot read .: {os:21}\n"},
    {.name = "FILE a device", .args = {"/dev/null"}, .status = 2, .err = "clippers: cannot read /dev/null: not a regular file\n"},
    {.name = "FILE a FIFO", .args = {"fifo"}, .status = 2, .err = "clippers: cannot read fifo: not a regular file\n", .setup = "mkfifo fifo"},
    {.name = "missing editor: no hint", .args = {"notes.txt"}, .env = {"VISUAL=/nonexistent/editor"}, .status = 2,
     .err = "clippers: editing {work}/.clippers-{rand}/notes.txt\n" + kNoEditor, .unwrapped_only = true},
    {.name = "a terminal editor and no terminal: refused before the draft", .args = {"notes.txt"}, .env = {"PATH={tools}", "VISUAL=vim"},
     .status = 2, .err = no_terminal("vim"), .setup = "ln -s ed {tools}/vim", .check = "[ ! -e {tools}/arg ]"},
    {.name = "with no terminal the editor reads nothing of the caller's standard input", .args = {"notes.txt"}, .input = "secret",
     .editor = "{ readlink /proc/self/fd/0; cat; } > \"$1\"", .err = kEditing, .file_after = "/dev/null\n"},
    {.name = "a link is edited beside its target and stays a link", .args = {"link.txt"}, .editor = "printf 'new' > \"$1\"",
     .err = "clippers: editing {work}/x/.clippers-{rand}/real.txt\n",
     .setup = "mkdir x && printf old > x/real.txt && ln -s x/real.txt link.txt",
     .check = "[ \"$(cat x/real.txt)\" = new ] && [ \"$(readlink link.txt)\" = x/real.txt ]"},
    {.name = "standard streams closed: neither the tool's messages nor the editor's output reach FILE", .args = {"notes.txt"},
     .editor = "printf 'new text' > \"$1\"; echo screen; echo noise >&2; exit 0", .file_after = "new text\n", .unwrapped_only = true,
     .start = {.wrapper = sh_start("exec \"$@\" <&- >&- 2>&-")}},
    {.name = "control characters in a path are shown escaped", .args = {"link.txt"}, .editor = "printf 'new' > \"$1\"",
     .err = "clippers: editing {work}/d\\x1b[2K\\x0d\\x1b]0;approved\\x07\\x9b0m/.clippers-{rand}/r\n",
     .setup = "d=$(printf 'd\\033[2K\\r\\033]0;approved\\007\\302\\2330m') && mkdir \"$d\" && printf 'old\\n' > \"$d/r\" && ln -s \"$d/r\" link.txt",
     .check = "[ \"$(cat link.txt)\" = new ]"},
    {.name = "FILE removed while editing comes back", .args = {"./notes.txt"}, .editor = "rm notes.txt; printf 'back' > \"$1\"",
     .err = kEditing, .file_after = "back\n"},
    {.name = "rewritten while editing, to the same size and modification time: not overwritten", .args = {"notes.txt"},
     .editor = "touch -r notes.txt ref; printf 'OLD\\n' > notes.txt; touch -r ref notes.txt; printf 'mine\\n' > \"$1\"", .status = 2,
     .err = kChanged, .file_after = "OLD\n", .draft_after = "mine\n"},
    {.name = "a mode changed while editing is a change", .args = {"notes.txt"}, .editor = "chmod 600 notes.txt; printf 'mine' > \"$1\"",
     .status = 2, .err = kChanged, .draft_after = "mine\n", .check = "[ \"$(stat -c %a notes.txt)\" = 600 ]"},
    {.name = "an owner changed while editing is a change", .args = {"notes.txt"}, .editor = "chown 65534 notes.txt; printf 'mine' > \"$1\"",
     .status = 2, .err = kChanged, .draft_after = "mine\n", .root_only = true},
    {.name = "replaced while editing: not overwritten", .args = {"notes.txt"},
     .editor = "printf 'old\\n' > other; mv other notes.txt; printf 'mine' > \"$1\"", .status = 2, .err = kChanged, .draft_after = "mine\n"},
    {.name = "a link to another file at the draft path is not written through", .args = {"notes.txt"},
     .editor = "rm \"$1\"; ln -s \"$PWD/victim\" \"$1\"; sleep 0.6", .status = 2, .err = kEditing + kNotRegular,
     .setup = "printf 'precious' > victim", .check = "[ \"$(cat victim)\" = precious ]"},
    // The new link changes FILE's status-change time: a change like any other, and FILE is not written through the link.
    {.name = "a hard link to FILE at the draft path", .args = {"notes.txt"}, .editor = "rm \"$1\"; ln twin \"$1\"; sleep 0.6", .status = 2,
     .err = kChanged, .draft_after = "old\n", .setup = "ln notes.txt twin",
     .check = "printf 'old\\n' | cmp -s - twin && [ \"$(stat -c %h twin)\" = 2 ]"},
    {.name = "a swapped draft directory is never written into, nor approved", .args = {"notes.txt"},
     .editor = "d=$(dirname \"$1\"); mv \"$d\" \"$d.away\"; mkdir \"$d\"; ln -s \"$PWD/victim\" \"$1\"\n"
               "printf 'edited' > \"$d.away/notes.txt\"; sleep 0.6",
     .status = 2, .err = kEditing + "clippers: {dir} was replaced while the editor ran; nothing approved; the draft directory is now at {dir}.away\n",
     .setup = "printf 'precious' > victim", // Both stay: the directory held, with the edit, and the one swapped in.
     .check = "[ \"$(cat victim)\" = precious ] && [ -L \"$D\" ] && [ \"$(cat \"${D%/*}.away/notes.txt\")\" = edited ]",
     .attacked = true},
    {.name = "a draft saved in Latin-1 is kept", .args = {"notes.txt"}, .editor = "printf 'caf\\351' > \"$1\"", .status = 2,
     .err = kEditing + "clippers: io error: stream did not contain valid UTF-8" + kKept, .draft_after = "caf\xE9"},
    {.name = "the rename fails: the draft holds the approved content", .args = {"notes.txt"},
     .editor = "chmod a-w .; printf 'approved' > \"$1\"", .status = 2,
     .err = kEditing + "clippers: failed to replace {work}/notes.txt: {os:13}" + kKept, .draft_after = "approved\n",
     .start = {.as_uid = kNobody}},
    {.name = "a FILE the user may not write is not replaced", .args = {"notes.txt"},
     .editor = "chmod u+w \"$1\"; printf 'mine' > \"$1\"", .status = 2, .err = kEditing + "clippers: io error: {os:13}" + kKept,
     .draft_after = "mine", .setup = "chmod 444 notes.txt", .start = {.as_uid = kNobody}},
    {.name = "another user's FILE in a shared directory is not replaced", .args = {"notes.txt"}, .editor = "printf 'mine' > \"$1\"",
     .status = 2, .err = kEditing + "clippers: io error: {os:13}" + kKept, .draft_after = "mine", .setup = "chown 0:0 notes.txt",
     .check = "[ \"$(stat -c %u notes.txt)\" = 0 ]", .root_only = true, .start = {.as_uid = kNobody}},
    {.name = "root keeps another user's owner and set-user-ID", .args = {"notes.txt"}, .editor = "rm \"$1\"; printf 'new' > \"$1\"",
     .err = kEditing, .file_after = "new\n", .setup = "chown 65534:65534 notes.txt && chmod 4750 notes.txt",
     .check = "[ \"$(stat -c %u:%g:%a notes.txt)\" = 65534:65534:4750 ]", .root_only = true},
    {.name = "a user who is not FILE's owner keeps its group, not its set-user-ID bit", .args = {"notes.txt"},
     .editor = "printf 'new' > \"$1\"", .err = kEditing, .file_after = "new\n", .setup = "chown 0:100 notes.txt && chmod 4770 notes.txt",
     .check = "[ \"$(stat -c %u:%g:%a notes.txt)\" = 65534:100:770 ]", .root_only = true, .start = {.as_uid = kNobody, .also_in_group = 100}},
    {.name = "a failed write keeps the user's draft whole", .args = {"notes.txt"},
     .editor = "ulimit -S -f unlimited; head -c 3000 /dev/zero | tr '\\0' x > \"$1\"", .status = 2,
     .err = kEditing + "clippers: io error: {os:27}" + kKept, .draft_after = std::string(3000, 'x'),
     .check = "[ \"$(ls -A \"$(dirname \"$D\")\")\" = notes.txt ]", .start = {.wrapper = kFileSizeLimit}},
    {.name = "FILE in a directory that may be written and searched but not read", .args = {"d/n.txt"}, .editor = "printf 'new' > \"$1\"",
     .err = "clippers: editing {work}/d/.clippers-{rand}/n.txt\n", .setup = "mkdir d && printf 'old\\n' > d/n.txt && chown -R 65534 d && chmod 300 d",
     .check = "printf 'new\\n' | cmp -s - d/n.txt", .root_only = true, .start = {.as_uid = kNobody}},
    {.name = "a read-only directory: no draft can be made", .args = {"notes.txt"}, .status = 2,
     .err = "clippers: cannot prepare the edit buffer in {work}: {os:13} at path \"{work}/.clippers-{rand}\"\n",
     .setup = "chmod 555 .", .start = {.as_uid = kNobody}},
    {.name = "a draft that cannot be written leaves nothing beside FILE", .args = {"notes.txt"}, .status = 2,
     .err = "clippers: cannot prepare the edit buffer in {work}: {os:27}\n", .file = std::string(3000, 'x'), .start = {.wrapper = kFileSizeLimit}},
    {.name = "the disk fills while the approved content is written", .args = {"notes.txt"},
     .editor = "head -c 40000 /dev/zero | tr '\\0' x > \"$1\"", .status = 2,
     .err = "clippers: editing {work}/disk/.clippers-{rand}/notes.txt\nclippers: io error: {os:28}" + kKept,
     .draft_after = std::string(40000, 'x'),
     .setup = "mkdir disk && { mount -t tmpfs -o size=64k tmpfs disk 2>/dev/null || exit 77; } && "
              "printf 'old\\n' > disk/notes.txt && rm notes.txt && ln -s disk/notes.txt notes.txt",
     .check = "umount disk", .root_only = true},
    {.name = "FILE's access control list is carried over", .args = {"notes.txt"}, .editor = "printf 'new' > \"$1\"", .err = kEditing,
     .file_after = "new\n", .setup = "chmod 640 notes.txt && { setfacl -m g::---,u:nobody:r--,m::r-- notes.txt || exit 77; } && getfacl notes.txt > acl",
     .check = "getfacl notes.txt | cmp -s - acl"},
    {.name = "FILE without one gets none from its directory's default", .args = {"d/n.txt"}, .editor = "printf 'new' > \"$1\"",
     .err = "clippers: editing {work}/d/.clippers-{rand}/n.txt\n",
     .setup = "mkdir d && printf 'old\\n' > d/n.txt && { setfacl -d -m u:nobody:r-- d || exit 77; }",
     .check = "printf 'new\\n' | cmp -s - d/n.txt && [ -z \"$(getfacl --skip-base d/n.txt)\" ]"},
    {.name = "an access control list that cannot be carried over: not replaced", .args = {"m/n.txt"}, .editor = "printf 'mine' > \"$1\"",
     .status = 2, .err = "clippers: editing {draft}\nclippers: m/n.txt was not replaced: its access control list could not be carried over: "
                         "{os:13}" + kKept, .draft_after = "mine\n",
     .setup = "mkdir -p u/r m && printf 'old\\n' > u/r/n.txt && { setfacl -m u:nobody:r-- u/r/n.txt && bindfs --xattr-ro u/r m || exit 77; }",
     .check = "umount m && printf 'old\\n' | cmp -s - u/r/n.txt"},
    {.name = "FILE on a file system that keeps no owners or modes", .args = {"m/n.txt"}, .editor = "printf 'new' > \"$1\"",
     .err = "clippers: editing {work}/m/.clippers-{rand}/n.txt\n", .setup = kForcedOwner + " && printf 'old\\n' > m/n.txt",
     .check = "umount m && printf 'new\\n' | cmp -s - r/n.txt"},
    {.name = "--json in FILE mode", .args = {"notes.txt", "--json"}, .editor = "printf 'new' > \"$1\"", .err = kEditing, .file_after = "new\n",
     .json = R"(has(outcome="approved", content=None, changed=True, file="notes.txt", draft=None, message="editing {draft}"))"},
    {.name = "--timeout in FILE mode: FILE unchanged, the draft kept", .args = {"notes.txt", "--timeout", "1"},
     .editor = "printf 'half' > \"$1\"; exec sleep 30", .status = 2, .err = kEditing + "clippers: no decision within 1; draft preserved at {draft}\n",
     .draft_after = "half", .start = {.give_up_after_ms = 20000}},
    {.name = "--require-save in FILE mode: the unsaved draft goes", .args = {"notes.txt", "--require-save"}, .editor = "sleep 0.6", .status = 1,
     .err = kEditing + "clippers: aborted: the draft was not saved\n"},
    {.name = "--suffix in FILE mode follows FILE's own name", .args = {"notes.txt", "--suffix", ".md"}, .editor = "printf new > \"$1\"",
     .err = "clippers: editing {work}/.clippers-{rand}/notes.txt.md\n", .file_after = "new\n"},
};

ROWS(File, kFileRows);

}  // namespace
}  // namespace clippers_test
// clang-format on
