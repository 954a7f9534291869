// List: empty reads, removal walks, copy/assignment, and a random comparison
// against std::deque that covers both ends and every cursor rule.
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
std::vector<T> contents(List<T>& list)
{
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
std::size_t cursorIndex(const List<T>& list)
{
    List<T> probe(list);
    std::size_t index = 0;
    while (!probe.isFirst()) {
        probe.pop();
        ++index;
    }
    return index;
}

List<int> listOf(std::initializer_list<int> values)
{
    List<int> list;
    for (const int v : values)
        list.enqueue(v);
    return list;
}

TEST(ListEmpty, ReadsGiveDefaultsAndChangeNothing)
{
    List<int> numbers;
    EXPECT_EQ(numbers.pop(), 0);
    EXPECT_EQ(numbers.first(), 0);
    EXPECT_EQ(numbers.last(), 0);
    EXPECT_EQ(numbers.current(), 0);
    EXPECT_FALSE(numbers.next());
    EXPECT_TRUE(numbers.isFirst());
    EXPECT_TRUE(numbers.isLast());
    numbers.removeCurrent();
    EXPECT_TRUE(numbers.isEmpty());
    EXPECT_EQ(numbers.len(), 0u);

    List<const char*> names;
    EXPECT_EQ(names.dequeue(), nullptr);
    EXPECT_EQ(names.current(), nullptr);
}

// The walk every caller writes: ask isLast() before removing; after a removal
// that was not the last, the cursor already stands on the next value.
TEST(ListRemoveCurrent, FilteringWalkVisitsEveryValueOnce)
{
    for (const bool removeTail : {false, true}) {
        List<int> list;
        for (int v = 0; v < 10; ++v)
            list.enqueue(v);
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

TEST(ListCopy, CopyAndAssignmentKeepValuesAndCursorPosition)
{
    for (const std::size_t sourceCursor : {0u, 2u, 4u}) {
        List<int> source = listOf({1, 2, 3, 4, 5});
        source.goToFirst();
        for (std::size_t i = 0; i < sourceCursor; ++i)
            source.next();

        const List<int> copy(source);
        EXPECT_EQ(cursorIndex(copy), sourceCursor);
        // Assignment into shorter, equal and longer lists, and into an empty one.
        for (const std::size_t targetLength : {0u, 2u, 5u, 9u}) {
            List<int> target;
            for (std::size_t i = 0; i < targetLength; ++i)
                target.enqueue(100 + static_cast<int>(i));
            target.goToFirst();
            while (target.next()) {
            }
            target = source;
            EXPECT_EQ(target.len(), 5u) << targetLength;
            EXPECT_EQ(cursorIndex(target), sourceCursor) << targetLength;
            target.enqueue(6); // the tail must be the real tail after cutting or growing
            EXPECT_EQ(contents(target), (std::vector<int>{1, 2, 3, 4, 5, 6})) << targetLength;
        }
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
        EXPECT_EQ(target.len(), 0u);
        EXPECT_TRUE(target.isFirst()); // no cursor left on a freed element
        EXPECT_EQ(target.current(), 0);
        target.push(1);
        EXPECT_EQ(contents(target), (std::vector<int>{1}));
    }

    List<int> source = listOf({1, 2, 3});
    const List<int>& alias = source;
    source = alias;
    EXPECT_EQ(contents(source), (std::vector<int>{1, 2, 3}));
}

TEST(ListCopy, PointerValuesAreSharedNotOwned)
{
    auto owned = std::make_unique<int>(42);
    List<int*> first;
    first.enqueue(owned.get());
    {
        const List<int*> second(first);
        List<int*> third;
        third = first;
        EXPECT_EQ(third.first(), owned.get());
    }
    EXPECT_EQ(*first.first(), 42); // still alive after the copies went away
}

TEST(ListRandom, MatchesDequeWithCursorModel)
{
    std::mt19937_64 random(20261207);
    List<std::uint64_t> list;
    std::deque<std::uint64_t> model;
    std::size_t cursor = 0; // meaningful when model is not empty

    for (int step = 0; step < 200000; ++step) {
        const std::uint64_t value = random();
        switch (random() % 9) {
        case 0:
            list.push(value);
            model.push_front(value);
            if (model.size() > 1) ++cursor;
            break;
        case 1:
            list.enqueue(value);
            model.push_back(value);
            break;
        case 2:
            ASSERT_EQ(list.pop(), model.empty() ? 0 : model.front());
            if (!model.empty()) {
                model.pop_front();
                if (cursor > 0) --cursor;
            }
            break;
        case 3:
            list.removeCurrent();
            if (!model.empty()) {
                model.erase(model.begin() + static_cast<std::ptrdiff_t>(cursor));
                if (cursor == model.size() && cursor > 0) --cursor;
            }
            break;
        case 4:
            list.goToFirst();
            cursor = 0;
            break;
        case 5: {
            // Round trip through an assignment into a list of another length.
            List<std::uint64_t> other;
            for (std::uint64_t i = random() % 8; i > 0; --i)
                other.enqueue(i);
            other = list;
            list = other;
            break;
        }
        case 6:
            // Rarely, so that the list grows long between clears; the spare
            // elements a clear keeps then feed the insertions that follow.
            if (random() % 64 == 0) {
                list.clear();
                model.clear();
                cursor = 0;
            }
            break;
        default: {
            const bool moves = cursor + 1 < model.size();
            ASSERT_EQ(list.next(), moves);
            if (moves) ++cursor;
            break;
        }
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
TEST(ListLarge, TenMillionElementsCopyAssignWalkAndFreeWithoutRecursion)
{
    constexpr std::uint32_t size = 10'000'000;
    List<std::uint32_t> assigned;
    assigned.enqueue(7);
    {
        List<std::uint32_t> built;
        for (std::uint32_t i = 0; i < size; ++i)
            built.enqueue(i);
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
