// Node-based chained hash table whose chains stay sorted by the nodes' compare.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Utils {

class IHashNode {
public:
    virtual ~IHashNode() = default;
    virtual uint32_t Hash() const = 0;
    // <0 when this node sorts before `other`, 0 when equal, >0 after.
    virtual int Compare(const IHashNode& other) const = 0;
    // True when Compare orders this node consistently against every node that
    // says the same: a chain of such nodes is then sorted for any such probe,
    // and the table may search it by halving instead of walking it.
    virtual bool ComparesInOrder() const { return false; }

    IHashNode* chainNext = nullptr;
};

class HashTable {
public:
    struct Iterator {
        IHashNode** slot = nullptr;  // the link that points at the current node
        const HashTable* table = nullptr;
        int bucket = -1;  // -1 at the end
        IHashNode* Node() const { return slot ? *slot : nullptr; }
    };

    HashTable() = default;
    ~HashTable();
    HashTable(const HashTable&) = delete;
    HashTable& operator=(const HashTable&) = delete;

    // Frees any old buckets; `buckets` empty chains.
    bool Make(uint32_t buckets);
    // False when an equal node is present (or the table has no buckets).
    bool Insert(IHashNode* node);
    // True with the iterator on the equal node.
    bool Find(const IHashNode& probe, Iterator* it) const;
    IHashNode* Find(const IHashNode& probe) const;
    // Takes `node` out of its chain (by identity); false when absent.
    bool Remove(IHashNode* node);
    // Where `node` (by identity) is: its bucket and its place in that chain,
    // which together give its place in iteration order; false when absent.
    bool Locate(const IHashNode* node, uint32_t* bucket, uint32_t* position) const;
    // Iterator on the first node (end when empty).
    void Begin(Iterator* it) const;
    // Next node of the chain, else the first of the next non-empty bucket;
    // false at the end.
    static bool Next(Iterator* it);
    // Calls `visit` with every node in iteration order, read from the chain
    // mirrors: the next nodes' addresses are known before the current node
    // is read, so a walk over a large table scattered in memory does not
    // wait for one node before it can fetch the next.
    template <class Visit>
    void ForEach(Visit visit) const
    {
        for (const ChainIndex& chain : index_) {
            for (IHashNode* node : chain.nodes)
                visit(node);
        }
    }
    // Zeroes every slot, frees the array; counts 0. Nodes are not deleted.
    void FreeBuckets();

    uint32_t BucketCount() const { return bucketCount_; }
    uint32_t Count() const { return count_; }
    IHashNode* Bucket(uint32_t i) const { return buckets_[i]; }

private:
    // Each chain mirrored in an array, in chain order. With a fixed bucket
    // count chains grow with the table, and walking them made large classes
    // quadratic; the mirror finds a place by halving while the chains (whose
    // order is observable through iteration) stay exactly as they were.
    struct ChainIndex {
        std::vector<IHashNode*> nodes;
        // Set for good once a node that may compare out of order joined: the
        // nodes it was compared with may have been placed out of order too.
        bool walkOnly = false;
    };
    // Position in `chain` of the first node that `probe` does not sort after.
    static uint32_t FirstNotAfter(const ChainIndex& chain, const IHashNode& probe);
    bool CanHalve(const ChainIndex& chain, const IHashNode& probe) const;
    // Place of `node` (by identity) in `chain`, or the chain's size when absent.
    size_t PlaceOf(const ChainIndex& chain, const IHashNode* node) const;
    IHashNode** LinkBefore(uint32_t bucket, uint32_t position) const;

    IHashNode** buckets_ = nullptr;
    uint32_t bucketCount_ = 0;
    uint32_t count_ = 0;
    std::vector<ChainIndex> index_;
};

}  // namespace Utils
