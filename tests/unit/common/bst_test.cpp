// BST: rotation shapes and balances, lookups, listings, copy/assignment and a
// random comparison against std::map with the AVL height bound.
#include "common/smartstructs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

using Tree = BST<int, int>;

// Pre-order picture "key:balance(left right)", "." for a missing child.
template <typename T, typename K>
void draw(const typename BST<T, K>::tree_node* node, std::string& out)
{
    if (node == nullptr) {
        out += '.';
        return;
    }
    out += std::to_string(node->key) + ':' + std::to_string(node->balance) + '(';
    draw<T, K>(node->left, out);
    out += ' ';
    draw<T, K>(node->right, out);
    out += ')';
}

template <typename T, typename K>
std::string shape(const BST<T, K>& tree)
{
    std::string out;
    draw<T, K>(tree.rootNode(), out);
    return out;
}

struct audit {
    int height = 0;
    std::uint64_t nodes = 0;
    bool sound = true;
};

// Checks order, stored balances against real heights, the AVL bound on every
// node and that no listing left a visit mark behind.
template <typename T, typename K>
audit inspect(const typename BST<T, K>::tree_node* node, const K* low, const K* high)
{
    if (node == nullptr) return {};
    const audit left = inspect<T, K>(node->left, low, &node->key);
    const audit right = inspect<T, K>(node->right, &node->key, high);
    audit result;
    result.height = 1 + std::max(left.height, right.height);
    result.nodes = 1 + left.nodes + right.nodes;
    result.sound = left.sound && right.sound && node->balance == right.height - left.height && node->balance >= -1 &&
                   node->balance <= 1 && node->visitState == 0 && (low == nullptr || *low < node->key) &&
                   (high == nullptr || node->key < *high);
    return result;
}

template <typename T, typename K>
audit inspect(const BST<T, K>& tree)
{
    return inspect<T, K>(tree.rootNode(), nullptr, nullptr);
}

Tree treeOf(std::initializer_list<int> keys)
{
    Tree tree;
    for (const int k : keys)
        tree.addItem(k * 10, k);
    return tree;
}

TEST(BSTRotations, SingleAndDoubleRotationsAtTheRoot)
{
    EXPECT_EQ(shape(treeOf({1, 2, 3})), "2:0(1:0(. .) 3:0(. .))");
    EXPECT_EQ(shape(treeOf({3, 2, 1})), "2:0(1:0(. .) 3:0(. .))");
    EXPECT_EQ(shape(treeOf({3, 1, 2})), "2:0(1:0(. .) 3:0(. .))");
    EXPECT_EQ(shape(treeOf({1, 3, 2})), "2:0(1:0(. .) 3:0(. .))");
}

// Double rotations whose middle node leaned one way hand that lean to one of
// the two nodes below it.
TEST(BSTRotations, DoubleRotationBalancesFollowTheMiddleNode)
{
    EXPECT_EQ(shape(treeOf({50, 25, 75, 10, 30, 27})), "30:0(25:0(10:0(. .) 27:0(. .)) 50:1(. 75:0(. .)))");
    EXPECT_EQ(shape(treeOf({50, 25, 75, 10, 30, 35})), "30:0(25:-1(10:0(. .) .) 50:0(35:0(. .) 75:0(. .)))");
    EXPECT_EQ(shape(treeOf({50, 25, 75, 60, 90, 55})), "60:0(50:0(25:0(. .) 55:0(. .)) 75:1(. 90:0(. .)))");
    EXPECT_EQ(shape(treeOf({50, 25, 75, 60, 90, 65})), "60:0(50:-1(25:0(. .) .) 75:0(65:0(. .) 90:0(. .)))");
}

TEST(BSTRotations, RotationBelowTheRootRelinksTheParent)
{
    EXPECT_EQ(shape(treeOf({10, 5, 20, 30, 40})), "10:1(5:0(. .) 30:0(20:0(. .) 40:0(. .)))");
    EXPECT_EQ(shape(treeOf({10, 20, 5, 3, 1})), "10:-1(3:0(1:0(. .) 5:0(. .)) 20:0(. .))");
    EXPECT_EQ(shape(treeOf({10, 5, 20, 30, 25})), "10:1(5:0(. .) 25:0(20:0(. .) 30:0(. .)))");
    EXPECT_EQ(shape(treeOf({10, 20, 5, 1, 3})), "10:-1(3:0(1:0(. .) 5:0(. .)) 20:0(. .))");
}

TEST(BSTInsert, AscendingThousandIsTenLevelsAndListsInOrder)
{
    Tree tree;
    for (int k = 1; k <= 1000; ++k)
        ASSERT_TRUE(tree.addItem(-k, k));
    const audit a = inspect(tree);
    EXPECT_TRUE(a.sound);
    EXPECT_EQ(a.height, 10);
    EXPECT_EQ(tree.len(), 1000u);
    List<int> keys = tree.listKeys();
    List<int> items = tree.listItems();
    for (int k = 1; k <= 1000; ++k) {
        ASSERT_EQ(keys.pop(), k);
        ASSERT_EQ(items.pop(), -k);
    }
    EXPECT_TRUE(inspect(tree).sound); // listing leaves every visit mark at 0
}

// Equality of double keys is numeric (0.0 is -0.0). A NaN compares false
// with everything; left to itself it would never match and, once rotated
// above other keys, would hide them from lookups.
TEST(BSTFind, DoubleKeysByValueAndNaNAfterEveryNumber)
{
    const double nan = std::nan("");
    BST<std::uint64_t, double> tree;
    EXPECT_TRUE(tree.addItem(1, 0.0));
    EXPECT_FALSE(tree.addItem(9, -0.0));
    EXPECT_TRUE(tree.addItem(2, nan));
    EXPECT_TRUE(tree.addItem(3, 0.1 + 0.2)); // a rotation around the NaN node
    EXPECT_FALSE(tree.addItem(9, -nan));
    EXPECT_TRUE(tree.addItem(4, 0.3));
    EXPECT_TRUE(tree.addItem(5, -1.0));
    EXPECT_EQ(tree.len(), 5u);
    for (const auto& [key, item] :
         std::vector<std::pair<double, std::uint64_t>>{{-0.0, 1}, {nan, 2}, {0.1 + 0.2, 3}, {0.3, 4}, {-1.0, 5}}) {
        const std::uint64_t* found = tree.findItem(key);
        ASSERT_NE(found, nullptr) << key;
        EXPECT_EQ(*found, item);
    }
    List<double> keys = tree.listKeys();
    for (const double expected : {-1.0, 0.0, 0.3, 0.1 + 0.2})
        EXPECT_EQ(keys.pop(), expected);
    EXPECT_TRUE(std::isnan(keys.pop()));
    EXPECT_TRUE(keys.isEmpty());
}

TEST(BSTListing, ListsAreTheTreesOwnAndRefilled)
{
    Tree tree;
    EXPECT_EQ(tree.findItem(0), nullptr);
    EXPECT_TRUE(tree.listItems().isEmpty());
    EXPECT_TRUE(tree.listKeys().isEmpty());

    tree = treeOf({2, 1, 3});
    List<int>& first = tree.listKeys();
    List<int>& second = tree.listKeys();
    EXPECT_EQ(&first, &second);
    EXPECT_EQ(second.len(), 3u);
    EXPECT_EQ(second.first(), 1);
    EXPECT_EQ(second.last(), 3);

    tree.addItem(40, 4);
    EXPECT_EQ(tree.listItems().last(), 40);
    EXPECT_EQ(tree.listItems().len(), 4u); // refilled, not appended to
}

TEST(BSTCopy, CopiesShapeAndBalancesBetweenAnySizes)
{
    const std::vector<Tree> trees = {Tree(), treeOf({1}), treeOf({5, 3, 8, 1}),
                                     treeOf({50, 25, 75, 10, 30, 27, 90, 5, 1, 2})};
    for (const Tree& source : trees) {
        const Tree copy(source);
        EXPECT_EQ(shape(copy), shape(source));
        EXPECT_EQ(copy.len(), inspect(source).nodes);
        for (const Tree& start : trees) {
            Tree target(start);
            target = source;
            EXPECT_EQ(shape(target), shape(source)) << shape(start);
            EXPECT_EQ(target.len(), inspect(source).nodes);
            EXPECT_EQ(target.isEmpty(), source.isEmpty());
            EXPECT_TRUE(inspect(target).sound);
            // The copy is independent and still grows correctly.
            target.addItem(0, 1000);
            EXPECT_TRUE(inspect(target).sound);
            EXPECT_EQ(source.findItem(1000), nullptr);
        }
    }
}

TEST(BSTCopy, AssignmentReusesNodesAndLeavesTheListsAlone)
{
    Tree target = treeOf({5, 3, 8});
    const List<int>& keys = target.listKeys();
    const auto* oldRoot = target.rootNode();

    const Tree bigger = treeOf({20, 10, 30, 5, 15, 25, 35});
    target = bigger;
    EXPECT_EQ(target.rootNode(), oldRoot); // same position, same node
    EXPECT_EQ(keys.len(), 3u);             // last listing untouched
    EXPECT_EQ(keys.first(), 3);
    EXPECT_EQ(*target.findItem(35), 350);

    target = Tree(); // emptied by a move: the last listing is still left alone
    EXPECT_TRUE(target.isEmpty());
    EXPECT_EQ(keys.len(), 3u);

    const Tree self = target;
    Tree& alias = target;
    target = alias;
    EXPECT_EQ(shape(target), shape(self));
}

TEST(BSTRandom, MatchesStdMapAndKeepsTheHeightBound)
{
    std::mt19937_64 random(7);
    BST<std::uint64_t, std::uint32_t> tree;
    std::map<std::uint32_t, std::uint64_t> model;
    for (int step = 1; step <= 300000; ++step) {
        const auto key = static_cast<std::uint32_t>(random() % 60000);
        const std::uint64_t item = random();
        if (random() % 3 != 0) {
            ASSERT_EQ(tree.addItem(item, key), model.emplace(key, item).second);
        } else {
            const auto found = model.find(key);
            std::uint64_t* got = tree.findItem(key);
            ASSERT_EQ(got != nullptr, found != model.end());
            if (got != nullptr) {
                ASSERT_EQ(*got, found->second);
                *got += 1;
                found->second += 1;
            }
        }
        ASSERT_EQ(tree.len(), model.size());
        if (step % 50000 == 0) {
            const audit a = inspect(tree);
            ASSERT_TRUE(a.sound);
            ASSERT_EQ(a.nodes, model.size());
            const double n = static_cast<double>(model.size());
            ASSERT_LE(a.height, 1.4405 * std::log2(n + 2) - 0.3277);

            List<std::uint32_t> keys = tree.listKeys();
            List<std::uint64_t> items = tree.listItems();
            for (const auto& [k, v] : model) {
                ASSERT_EQ(keys.pop(), k);
                ASSERT_EQ(items.pop(), v);
            }
            ASSERT_TRUE(keys.isEmpty());

            BST<std::uint64_t, std::uint32_t> other;
            for (std::uint32_t k = 0; k < static_cast<std::uint32_t>(step % 7); ++k)
                other.addItem(k, k);
            other = tree;
            ASSERT_EQ(shape(other), shape(tree));
            tree = other;
            ASSERT_TRUE(inspect(tree).sound);
        }
    }
}

// A million ascending keys: rotations every few insertions, and copies and
// frees that would blow the call stack if they recursed over anything but
// the height.
TEST(BSTLarge, MillionAscendingKeysBuildCopyAssignListAndFree)
{
    constexpr std::uint64_t size = 1'000'000;
    BST<std::uint64_t, std::uint64_t> tree;
    for (std::uint64_t k = 0; k < size; ++k)
        tree.addItem(k, k);
    const audit a = inspect(tree);
    EXPECT_TRUE(a.sound);
    EXPECT_LE(a.height, 20);

    BST<std::uint64_t, std::uint64_t> copy(tree);
    BST<std::uint64_t, std::uint64_t> small;
    small.addItem(1, 1);
    small = copy;
    EXPECT_EQ(small.len(), size);
    copy = BST<std::uint64_t, std::uint64_t>();
    EXPECT_TRUE(copy.isEmpty());
    const List<std::uint64_t>& keys = small.listKeys();
    EXPECT_EQ(keys.len(), size);
    EXPECT_EQ(keys.last(), size - 1);
}

} // namespace
