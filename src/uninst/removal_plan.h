// The removal plan: every entry of the log with what the removal does about it and
// why, decided whole before anything is touched, written beside the log before the
// first act, and marked as each act is done. A later run that finds the plan of the
// very same log carries on from the first act not done; a question once answered is
// never asked again.
//
// The plan file is the log's name with its last character replaced by '$' (by '#'
// when it is a '$', or when a file that is not a plan bears that name): a header that fingerprints the log, one line per act, an end
// line, then one mark line per act done, appended. A plan without its end line was
// cut while it was written (no act had started) and is decided again; so is a plan
// whose log has changed since.
#pragma once

#include <string_view>

#include "platform/fixed_text.h"
#include "platform/platform.h"

// What an act works on, in the order the acts run.
enum class ActKind : char { Command = 'C', Component = 'R', File = 'F', Directory = 'D' };

// The decision about an entry, as the plan file holds it.
namespace Decision {
constexpr char Remove = '-';          // run, unregister, delete, remove when empty
constexpr char RemoveByAnswer = 'y';  // a shared file the person said Yes for
constexpr char Uncount = 'c';         // this product raised its count: lower it; deleted at 0
constexpr char KeptByLog = 'k';       // [UninstKeptFiles] names it; a component whose file stays
constexpr char KeptByCount = 'n';     // a SharedDLLs count keeps it
constexpr char KeptByAnswer = 'a';    // the person said No
constexpr char KeptByOtherLog = 'o';  // another registered product's log lists it
constexpr char LeftInPlace = 'x';     // no run could ever act on it
}  // namespace Decision

enum ActState : BYTE {
    ActPending = 0,
    ActDone = 1,    // done, or nothing to do
    ActStaged = 2,  // a file in use: deleted at the next start
};

struct PlanAct {
    char Kind;      // an ActKind
    char Decision;  // a Decision letter
    BYTE State;     // an ActState
    BYTE Failed;    // tried in this run and failed (it stays pending)
    DWORD Count;    // Uncount: the count this product's removal lowers by one
    DWORD Text;     // offset of its path or command in the plan's text
};

// Whether the decision asks for an act at all.
bool IsActing(char decision);

// An empty plan for the log (its fingerprint is taken from the log image).
void StartPlan();
// Adds an act at the end; 0 when there is no memory.
int AddPlanAct(char kind, char decision, DWORD count, std::string_view text);
DWORD PlanActCount();
PlanAct& PlanActAt(DWORD index);
const char* PlanActText(const PlanAct& act);

// The plan file's path: the first (choice 0) or the second name for the log, the second
// taken when a file that is not a plan already bears the first. False when it does not fit.
bool FormPlanPath(const char* log, int choice, PathText& path);
// The plan file of this run, once written or found; "" before.
const char* PlanFilePath();
// Writes the plan ahead of the first act: 1 when it is on the disk whole.
int WritePlanFile(const char* product);
// Reads the plan of this log (its image loaded: the fingerprint must match), or with
// `logMissing` any whole plan (the log went before the plan did). 1 when one was found,
// with each act's state from its marks; `product` then receives the product name.
int LoadPlanFile(bool logMissing, FixedText<128>& product);
// Marks the act as being in `state`; the mark is kept until FlushPlanMarks. 0 when
// there is no memory for it.
int MarkPlanAct(DWORD index, BYTE state);
// Appends the marks kept, flushed to the disk: 1 when they are there.
int FlushPlanMarks();
// Closes the plan file; a later run finds it as this run leaves it.
void ClosePlanFile();
// Closes the plan file and deletes it: 1 when it is gone.
int DeletePlanFile();
