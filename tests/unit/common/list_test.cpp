// List: ends, cursor rules, removal walks, copy/assignment and a random
// comparison against std::deque.
#include "common/smartstructs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <memory>
#include <random>
#include <vector>

namespace {

// Contents head to tail, read through the public cursor walk (moves the cursor).
template <typename T>
std::vector<T> contents(List<T>& list) {
    std::vector<T> values;
    list.goToFirst();
    if (list.isEmpty()) return values;
    do {
        values.push_back(list.current());
    } while (list.next());
    return values;
}

// Position of the cursor counted from the head, found without disturbing it
// in the list under test: a copy carries the cursor at the same position.
template <typename T>
std::size_t cursorIndex(const List<T>& list) {
    List<T> probe(list);
    std::size_t index = 0;
    while (!probe.isFirst()) {
        probe.pop();
        ++index;
    }
    return index;
}

List<int> listOf(std::initializer_list<int> values) {
    List<int> list;
    for (const int v : values) list.enqueue(v);
    return list;
}

TEST(ListEmpty, ReadsGiveDefaultsAndChangeNothing) {
    List<int> numbers;
    EXPECT_TRUE(numbers.isEmpty());
    EXPECT_EQ(numbers.pop(), 0);
    EXPECT_EQ(numbers.dequeue(), 0);
    EXPECT_EQ(numbers.first(), 0);
    EXPECT_EQ(numbers.last(), 0);
    EXPECT_EQ(numbers.current(), 0);
    EXPECT_EQ(numbers.len(), 0u);
    EXPECT_FALSE(numbers.next());
    EXPECT_TRUE(numbers.isFirst());
    EXPECT_TRUE(numbers.isLast());
    numbers.removeCurrent();
    EXPECT_TRUE(numbers.isEmpty());

    List<const char*> names;
    EXPECT_EQ(names.pop(), nullptr);
    EXPECT_EQ(names.current(), nullptr);
}

TEST(ListEnds, StackAtHeadQueueFromTail) {
    List<int> stack;
    for (const int v : {1, 2, 3}) stack.push(v);
    EXPECT_EQ(stack.pop(), 3);
    EXPECT_EQ(stack.pop(), 2);
    EXPECT_EQ(stack.pop(), 1);
    EXPECT_TRUE(stack.isEmpty());

    List<int> queue;
    for (const int v : {1, 2, 3}) queue.enqueue(v);
    EXPECT_EQ(queue.dequeue(), 1);
    EXPECT_EQ(queue.dequeue(), 2);
    EXPECT_EQ(queue.dequeue(), 3);
    EXPECT_EQ(queue.len(), 0u);

    List<int> mixed;
    mixed.enqueue(1);
    mixed.push(2);
    EXPECT_EQ(mixed.first(), 2);
    EXPECT_EQ(mixed.last(), 1);
    EXPECT_EQ(mixed.len(), 2u);
}

TEST(ListCursor, InsertionsMoveItOnlyWhenTheListWasEmpty) {
    List<int> list;
    list.push(10);
    EXPECT_EQ(list.current(), 10);
    list.push(20);
    EXPECT_EQ(list.current(), 10);
    EXPECT_FALSE(list.isFirst());
    EXPECT_TRUE(list.isLast());
    list.enqueue(30);
    EXPECT_EQ(list.current(), 10);
    EXPECT_FALSE(list.isLast());

    List<int> queued;
    queued.enqueue(5);
    EXPECT_EQ(queued.current(), 5);
    EXPECT_TRUE(queued.isFirst());
    EXPECT_TRUE(queued.isLast());
}

TEST(ListCursor, NextStopsOnTheTail) {
    List<int> list = listOf({1, 2});
    list.goToFirst();
    EXPECT_TRUE(list.next());
    EXPECT_FALSE(list.next());
    EXPECT_EQ(list.current(), 2);
    EXPECT_TRUE(list.isLast());
}

TEST(ListCursor, PopOfTheCursorElementMovesItToTheNewHead) {
    List<int> list = listOf({1, 2, 3});
    list.goToFirst();
    EXPECT_EQ(list.pop(), 1);
    EXPECT_EQ(list.current(), 2);
    EXPECT_TRUE(list.isFirst());

    // Cursor elsewhere: a pop leaves it alone.
    list.next();
    EXPECT_EQ(list.pop(), 2);
    EXPECT_EQ(list.current(), 3);

    EXPECT_EQ(list.pop(), 3);
    EXPECT_TRUE(list.isEmpty());
    EXPECT_EQ(list.current(), 0);
    // Empty again, the list behaves like a new one.
    list.enqueue(7);
    EXPECT_EQ(list.current(), 7);
    EXPECT_EQ(list.first(), 7);
    EXPECT_EQ(list.last(), 7);
}

TEST(ListRemoveCurrent, CursorGoesToFollowerElsePredecessor) {
    List<int> list = listOf({1, 2, 3, 4});
    list.goToFirst();
    list.next(); // on 2
    list.removeCurrent();
    EXPECT_EQ(list.current(), 3);
    EXPECT_EQ(contents(list), (std::vector<int>{1, 3, 4}));

    list.goToFirst();
    while (list.next()) {
    }
    list.removeCurrent(); // the tail, 4
    EXPECT_EQ(list.current(), 3);
    EXPECT_TRUE(list.isLast());
    EXPECT_EQ(list.last(), 3);
    list.enqueue(9); // the tail link must have been cut cleanly
    EXPECT_EQ(contents(list), (std::vector<int>{1, 3, 9}));

    list.goToFirst();
    list.removeCurrent(); // the head
    EXPECT_EQ(list.first(), 3);
    EXPECT_TRUE(list.isFirst());
    list.push(0);
    EXPECT_EQ(contents(list), (std::vector<int>{0, 3, 9}));

    List<int> single = listOf({5});
    single.removeCurrent();
    EXPECT_TRUE(single.isEmpty());
    EXPECT_EQ(single.len(), 0u);
    single.removeCurrent();
    EXPECT_TRUE(single.isEmpty());
}

// The walk every caller writes: ask isLast() before removing, and after a
// removal that was not the last the cursor already stands on the next value.
TEST(ListRemoveCurrent, FilteringWalkKeepsTheRightValues) {
    for (const bool removeTail : {false, true}) {
        List<int> list;
        for (int v = 0; v < 10; ++v) list.enqueue(v);
        if (!removeTail) list.enqueue(11);
        std::vector<int> visited;
        list.goToFirst();
        bool more = !list.isEmpty();
        while (more) {
            const int v = list.current();
            visited.push_back(v);
            if (v % 3 == 0 || v == 9) {
                more = !list.isLast();
                list.removeCurrent();
            } else {
                more = list.next();
            }
        }
        std::vector<int> expectedVisits{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
        std::vector<int> expectedKept{1, 2, 4, 5, 7, 8};
        if (!removeTail) {
            expectedVisits.push_back(11);
            expectedKept.push_back(11);
        }
        EXPECT_EQ(visited, expectedVisits);
        EXPECT_EQ(list.len(), expectedKept.size());
        EXPECT_EQ(contents(list), expectedKept);
    }
}

TEST(ListCopy, KeepsValuesAndCursorPosition) {
    List<int> source = listOf({1, 2, 3, 4, 5});
    source.goToFirst();
    source.next();
    source.next(); // third element

    const List<int> copy(source);
    EXPECT_EQ(cursorIndex(copy), 2u);
    EXPECT_EQ(copy.current(), 3);
    EXPECT_EQ(copy.len(), 5u);

    // Assignment both ways between different lengths, and to and from empty.
    for (const std::size_t targetLength : {0u, 2u, 5u, 9u}) {
        List<int> target;
        for (std::size_t i = 0; i < targetLength; ++i) target.enqueue(100 + static_cast<int>(i));
        target.goToFirst();
        while (target.next()) {
        }
        target = source;
        EXPECT_EQ(target.len(), 5u) << targetLength;
        EXPECT_EQ(cursorIndex(target), 2u) << targetLength;
        EXPECT_EQ(target.last(), 5);
        target.enqueue(6); // tail must be the real tail after cutting or growing
        EXPECT_EQ(contents(target), (std::vector<int>{1, 2, 3, 4, 5, 6})) << targetLength;
    }

    const List<int> empty;
    for (const bool moved : {false, true}) {
        List<int> target = listOf({7, 8, 9});
        target.goToFirst();
        target.next();
        if (moved) {
            target = List<int>();
        } else {
            target = empty;
        }
        EXPECT_TRUE(target.isEmpty());
        EXPECT_EQ(target.len(), 0u);
        EXPECT_TRUE(target.isFirst()); // no cursor left on a freed element
        EXPECT_EQ(target.current(), 0);
        target.push(1);
        EXPECT_EQ(contents(target), (std::vector<int>{1}));
    }

    List<int>& alias = source;
    source = alias;
    EXPECT_EQ(contents(source), (std::vector<int>{1, 2, 3, 4, 5}));
}

TEST(ListCopy, CursorOnTheTailSurvivesAssignmentIntoALongerList) {
    List<int> source = listOf({1, 2, 3});
    source.goToFirst();
    source.next();
    source.next();
    List<int> target = listOf({9, 9, 9, 9, 9, 9});
    target = source;
    EXPECT_TRUE(target.isLast());
    EXPECT_EQ(target.current(), 3);
}

TEST(ListCopy, PointerValuesAreSharedNotOwned) {
    auto owned = std::make_unique<int>(42);
    List<int*> first;
    first.enqueue(owned.get());
    {
        List<int*> second(first);
        List<int*> third;
        third = first;
        EXPECT_EQ(second.first(), owned.get());
        EXPECT_EQ(third.first(), owned.get());
    }
    EXPECT_EQ(*first.first(), 42); // still alive after the copies went away
}

TEST(ListRandom, MatchesDequeWithCursorModel) {
    std::mt19937_64 random(20261207);
    List<std::uint64_t> list;
    std::deque<std::uint64_t> model;
    std::size_t cursor = 0; // meaningful when model is not empty

    for (int step = 0; step < 200000; ++step) {
        const std::uint64_t value = random();
        switch (random() % 16) {
        case 0:
        case 1:
        case 2:
            list.push(value);
            model.push_front(value);
            if (model.size() > 1) ++cursor;
            break;
        case 3:
        case 4:
        case 5:
            list.enqueue(value);
            model.push_back(value);
            break;
        case 6:
        case 7:
        case 8: {
            const std::uint64_t expected = model.empty() ? 0 : model.front();
            ASSERT_EQ(list.pop(), expected);
            if (!model.empty()) {
                model.pop_front();
                if (cursor > 0) --cursor;
            }
            break;
        }
        case 9:
            list.goToFirst();
            cursor = 0;
            break;
        case 10:
        case 11:
        case 12: {
            const bool moved = !model.empty() && cursor + 1 < model.size();
            ASSERT_EQ(list.next(), moved);
            if (moved) ++cursor;
            break;
        }
        case 13:
        case 14:
            list.removeCurrent();
            if (!model.empty()) {
                model.erase(model.begin() + static_cast<std::ptrdiff_t>(cursor));
                if (cursor == model.size() && cursor > 0) --cursor;
            }
            break;
        default:
            if (random() % 64 == 0) {
                // Round trip through an assignment into a list of another length.
                List<std::uint64_t> other;
                for (std::uint64_t i = random() % 8; i > 0; --i) other.enqueue(i);
                other = list;
                list = other;
            }
            break;
        }
        ASSERT_EQ(list.len(), model.size());
        ASSERT_EQ(list.isEmpty(), model.empty());
        ASSERT_EQ(list.current(), model.empty() ? 0 : model[cursor]);
        ASSERT_EQ(list.first(), model.empty() ? 0 : model.front());
        ASSERT_EQ(list.last(), model.empty() ? 0 : model.back());
        ASSERT_EQ(list.isFirst(), model.empty() || cursor == 0);
        ASSERT_EQ(list.isLast(), model.empty() || cursor + 1 == model.size());
    }
    const std::deque<std::uint64_t> modelCopy = model;
    const std::vector<std::uint64_t> values = contents(list);
    EXPECT_TRUE(std::equal(values.begin(), values.end(), modelCopy.begin(), modelCopy.end()));
}

// Ten million elements: a recursive copy or destruction would exhaust the
// call stack long before this size.
TEST(ListLarge, TenMillionElementsCopyAssignWalkAndFreeWithoutRecursion) {
    constexpr std::uint32_t size = 10'000'000;
    List<std::uint32_t> assigned;
    assigned.enqueue(7);
    {
        List<std::uint32_t> built;
        for (std::uint32_t i = 0; i < size; ++i) built.enqueue(i);
        const List<std::uint32_t> copy(built);
        built = List<std::uint32_t>();
        assigned = copy;
    }
    EXPECT_EQ(assigned.len(), size);
    std::uint32_t expected = 0;
    bool inOrder = true;
    assigned.goToFirst();
    do {
        inOrder = inOrder && assigned.current() == expected++;
    } while (assigned.next());
    EXPECT_TRUE(inOrder);
    EXPECT_EQ(expected, size);
}

} // namespace
