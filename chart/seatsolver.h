#pragma once

#include "chart/seatconstraints.h"

#include <QDeadlineTimer>
#include <QList>

#include <memory>
#include <optional>

namespace CaDiCaL {
class Solver;
}

// The rules of one draw as a satisfiability problem, decided by CaDiCaL.
//
// Each item and seat is a variable (the item sits there); each clause (an
// index into SeatRules::rules, or a switch) has a selector, so that one
// solver answers for any subset of the clauses: a subset that cannot hold
// comes back with the clauses the solver used to show it (a core, not always
// minimal). Each answer stops after a number of conflicts and then says it
// does not know. Deterministic, but for the deadline: the same problem
// gives the same answers.
class SeatSolver
{
public:
    enum class Answer { Yes, No, Unknown };
    struct Decision {
        Answer answer = Answer::Unknown;
        SeatConstraints::Places places{}; // Yes: an arrangement meeting the subset
        QList<int> core;                  // No: clauses of the subset that cannot hold together
    };

    // Each: every clause has a selector, and a subset may leave any out.
    // None: the clauses hold for good (a subset is all of them): the solver
    // simplifies them, which makes deciding the whole set far quicker, and
    // a core is all of them.
    enum class Selectors { Each, None };

    // clauses: every clause a subset may take, as SeatConstraints takes them.
    SeatSolver(const SeatChart &chart, const SeatRules &rules, const QList<int> &clauses, Selectors selectors);
    ~SeatSolver();
    SeatSolver(const SeatSolver &) = delete;
    SeatSolver &operator=(const SeatSolver &) = delete;

    // Whether the clauses of subset can hold together, within conflicts and
    // before the deadline.
    Decision decide(const QList<int> &subset, qint64 conflicts, QDeadlineTimer deadline = QDeadlineTimer::Forever);

private:
    int variable(int item, int seat) const { return item * SeatChart::SeatCount + seat + 1; }
    int selector(int clause) const;
    void fillBlocks(const SeatChart &chart, const SeatRules &rules, const QList<int> &clauses);
    void fillRows(const SeatChart &chart, const SeatRules &rules, const QList<int> &clauses);
    // The literal that switches the clause's constraints off, 0 when they hold for good.
    int off(int clause) const;
    // A clause of the literals and then more; 0 literals left out.
    void add(std::initializer_list<int> literals, const QList<int> &more = {});

    const SeatConstraints m_items; // the items and where each sat before
    const QList<int> m_clauses;
    const bool m_selectors;
    std::unique_ptr<CaDiCaL::Solver> m_solver;
};
